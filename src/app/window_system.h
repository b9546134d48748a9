#pragma once

#include <QString>
#include <vector>

// Which window system the program runs on. Where an X server answers at
// DISPLAY (also Xwayland in a Wayland session) and the user chose none, it
// runs on X11: there the splash is placed and shaped, minimising is seen and
// so goes to the notification area, and another copy can be brought forward.
// Wayland lets a program do none of these by itself; it is taken when no X
// server answers and a Wayland compositor does.
class WindowSystemChoice final
{
public:
    // The arguments main() got. Asks the X server and the Wayland compositor
    // whether they answer, unless the user chose a platform.
    WindowSystemChoice(int argc, char** argv);

    // Why neither window system can show a window; empty when one can (or the
    // user chose a platform, which the toolkit then tries as asked).
    const QString& Failure() const { return m_failure; }

    // The arguments for the application object: main()'s, with "-platform xcb"
    // or "-platform wayland" added when that was chosen. Passed as arguments
    // rather than through the environment, so programs started from here (the
    // player) choose for themselves. Valid as long as this object lives.
    int& argc() { return m_argc; }
    char** argv() { return m_argv.data(); }

private:
    std::vector<char*> m_argv;
    int m_argc = 0;
    QString m_failure;
};

// Whether a compositor draws the windows (always on Wayland; on X11 when a
// compositing manager holds the screen's _NET_WM_CM_S selection): then
// see-through pixels must come from an alpha channel, as window shapes may be
// ignored. Needs the application object.
bool CompositorDrawsWindows();
