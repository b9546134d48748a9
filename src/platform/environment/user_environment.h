#pragma once

#include <QProcessEnvironment>

namespace platform {

// The environment the user started Wavedock with, for the programs it starts
// (the player, the file manager, a web browser). Wavedock sets variables of its
// own for its web engine; no other program asked for them.

// Keeps the process environment as it is now. Call first in main(), before the
// program sets anything of its own and before any thread starts.
void KeepUserEnvironment();

// The environment for a program started from here: the one kept (the current
// one when none was kept), without the tokens the desktop handed Wavedock to
// bring up its own window (XDG_ACTIVATION_TOKEN, DESKTOP_STARTUP_ID), which
// are spent on that window.
QProcessEnvironment ChildEnvironment();

} // namespace platform
