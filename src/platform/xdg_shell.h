#pragma once

#include "shell.h"

namespace platform {

// Opens files through the freedesktop "open" machinery (xdg-open and mimeapps.list).
class XdgShell final : public Shell
{
public:
    void Open(const QString& file, ShowCommand show) override;
};

} // namespace platform
