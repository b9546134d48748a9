#pragma once

#include <QString>

namespace platform {

// How the opened file's window should appear; the desktop may ignore it.
enum class ShowCommand
{
    Normal = 1,
    Minimize = 6,
};

// The desktop shell's "open": hands a file to the application the desktop has
// registered for its type. Nothing is reported back; callers never look.
class Shell
{
public:
    virtual ~Shell() = default;
    virtual void Open(const QString& file, ShowCommand show) = 0;
};

} // namespace platform
