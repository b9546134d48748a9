#pragma once

#include <functional>

class QPainter;
class QRect;

// At a scale other than 1 a one-pixel line and the fill beside it may cover
// their screen pixels differently: Fusion's frame around the notebook's pages
// showed a light seam below its bottom line (one screen pixel at 2, one or
// two at 1.25, 1.5 and 1.75). This draws `draw` at one pixel per logical
// pixel on an image of `rect`'s size and enlarges it without smoothing, so
// each logical pixel becomes whole screen pixels, the same ones a filled
// rectangle takes; at scale 1 it draws on `painter` directly. `draw` gets the
// painter and the rectangle to draw into.
void DrawInWholePixels(QPainter* painter, const QRect& rect,
                       const std::function<void(QPainter*, const QRect&)>& draw);
