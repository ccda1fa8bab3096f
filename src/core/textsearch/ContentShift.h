#pragma once

#include "core/textsearch/TextPage.h"

#include <QList>
#include <QPoint>
#include <QRect>

// Where the content of a changed area may have come from: shifts (new place
// minus old) that bring text lines of the screenshot before to where the
// same pixels are now — a scroll moves them up or down, a dragged window any
// way. Found by looking for the pixel row through the middle of the widest
// few lines of before anywhere in the area of after; each place it is found
// gives a shift. The caller checks which shift, if any, really moves lines.
class ContentShift
{
public:
    static constexpr int kAnchors = 3;
    static constexpr int kPlacesPerAnchor = 4;
    // A row narrower than this is too plain to tell one place from another.
    static constexpr int kNarrowestAnchor = 24;

    // `lines`: boxes of lines of `before` inside `area`. No shift is (0, 0).
    static QList<QPoint> candidates(const GrayPixels& before, const GrayPixels& after, const QRect& area,
                                    const QList<QRect>& lines);
};
