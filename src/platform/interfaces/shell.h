#pragma once

#include <QString>

namespace platform {

// How the opened file's window should appear; the desktop may ignore it.
enum class ShowCommand
{
    Normal = 1,
    Minimize = 6,
};

// What became of an "open".
struct OpenResult
{
    // Empty when a program took the file; else what stopped it, in a
    // sentence for the user.
    QString failure;

    bool Opened() const { return failure.isEmpty(); }
};

// The desktop shell's "open": hands a file to the application the desktop has
// registered for its type, and says when none took it.
class Shell
{
public:
    virtual ~Shell() = default;
    virtual OpenResult Open(const QString& file, ShowCommand show) = 0;
};

} // namespace platform
