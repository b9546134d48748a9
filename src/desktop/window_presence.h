#pragma once

class QWidget;

// Whether the user can see a window, where the window system may not say.
// X11 reports minimising; Wayland does not, so there a window counts as seen
// only while it is drawn on screen and holds the focus.
bool IsShownToUser(const QWidget& window);

// Puts a window the user cannot see back on screen: out of the minimised
// state, shown, and where the window system cannot tell it was minimised,
// mapped anew so that the compositor shows it again.
void PutBackOnScreen(QWidget& window);
