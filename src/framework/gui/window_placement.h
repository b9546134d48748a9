#pragma once

class QPoint;
class QRect;
class QSize;
class QWidget;

// Where the program's top-level windows come up: wholly inside the available
// area of the screen they open on (the screen less its panels), frame
// included, whatever the desktop's scale. A window wanted at a place stays
// there where it fits; otherwise it moves the least distance that makes it
// fit, and along a side it is too large for, it is centred.
//
// Until the window manager has framed a window its frame is not known: it is
// taken from another framed window of the program, and the window is placed
// once more as soon as its own frame is known.

// The top-left corner of a frame of `frame` size wanted at `wanted` inside
// `area`, by the rule above.
QPoint PlaceInside(const QRect& area, const QSize& frame, const QPoint& wanted);

// Puts a top-level window, frame included, at `position` (in the desktop's
// logical pixels), or as near to it as keeps it whole on its screen.
void PlaceOnScreen(QWidget& window, const QPoint& position);

// Puts a top-level window, frame included, in the middle of the available
// area of its owner's screen (the primary screen for a window without one).
void CentreOnScreen(QWidget& window);
