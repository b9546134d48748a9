#pragma once

#include <QImage>
#include <QRegion>
#include <QSize>

// The splash picture as a screen of a given density shows it. Its pure-white
// pixels are see-through. Between the picture's own sizes (a scale of 1.25,
// 1.5 or 1.75, drawn down from the double-size picture) a screen pixel covers
// parts of several picture pixels: it is picture where most of it is picture,
// in the colour of that part alone, and see-through otherwise. No screen pixel
// is a blend with the white, so no pale fringe shows around the face.
struct SplashFace
{
    // One pixel per screen pixel, the window's size at that density: opaque
    // picture or fully clear (premultiplied ARGB, its pixel ratio set).
    QImage picture;
    // The logical pixels whose screen pixels are all opaque picture, as a
    // window shape: the window system scales it by the ratio, and whichever
    // way it rounds, no see-through pixel falls inside.
    QRegion shape;
};

// `picture` is the picture at its own size, `doubleSize` the same drawn at
// twice the size (may be null); both are shown from the window's top-left
// corner, cut to `window` (logical pixels).
SplashFace MakeSplashFace(const QImage& picture, const QImage& doubleSize, const QSize& window,
                          qreal ratio);
