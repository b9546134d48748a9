#pragma once

#include <QStringList>
#include <vector>

// Which window system the program runs on. Where X11 is offered (DISPLAY is
// set, also as Xwayland in a Wayland session) and the user chose none, it runs
// on X11: there the splash is placed and shaped, minimising is seen and so
// goes to the notification area, and another copy can be brought forward.
// Wayland lets a program do none of these by itself.
class WindowSystemChoice final
{
public:
    // The arguments main() got.
    WindowSystemChoice(int argc, char** argv);

    // The platform chosen here ("xcb"), or empty when the toolkit decides.
    static QString Chosen(const QStringList& arguments, bool displaySet, bool platformSet);

    // The arguments for the application object: main()'s, with "-platform xcb"
    // added when that was chosen. Passed as arguments rather than through the
    // environment, so programs started from here (the player) choose for
    // themselves. Valid as long as this object lives.
    int& argc() { return m_argc; }
    char** argv() { return m_argv.data(); }

private:
    std::vector<char*> m_argv;
    int m_argc = 0;
};

// Whether a compositor draws the windows (always on Wayland; on X11 when a
// compositing manager holds the screen's _NET_WM_CM_S selection): then
// see-through pixels must come from an alpha channel, as window shapes may be
// ignored. Needs the application object.
bool CompositorDrawsWindows();
