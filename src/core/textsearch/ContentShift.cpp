#include "core/textsearch/ContentShift.h"

#include "core/textsearch/LineImageHash.h"

#include <algorithm>
#include <functional>

namespace {

QList<QRect> widestInk(const GrayPixels& before, const QList<QRect>& lines)
{
    QList<QRect> inks;
    for (const QRect& box : lines) {
        const QRect ink = LineImageHash::inkBox(before, box);
        if (ink.width() >= ContentShift::kNarrowestAnchor)
            inks.append(ink);
    }
    std::sort(inks.begin(), inks.end(), [](const QRect& a, const QRect& b) { return a.width() > b.width(); });
    return inks.mid(0, ContentShift::kAnchors);
}

}  // namespace

QList<QPoint> ContentShift::candidates(const GrayPixels& before, const GrayPixels& after, const QRect& area,
                                       const QList<QRect>& lines)
{
    QList<QPoint> shifts;
    const QRect inside = area & QRect(0, 0, after.width, after.height);
    for (const QRect& ink : widestInk(before, lines)) {
        const int anchorY = ink.center().y();
        const uchar* pattern = before.row(anchorY) + ink.left();
        const uchar* patternEnd = pattern + ink.width();
        if (std::all_of(pattern, patternEnd, [&](uchar value) { return value == *pattern; }))
            continue;
        const std::boyer_moore_horspool_searcher searcher(pattern, patternEnd);
        int places = 0;
        for (int y = inside.top(); y <= inside.bottom() && places < kPlacesPerAnchor; ++y) {
            const uchar* row = after.row(y);
            const uchar* end = row + inside.right() + 1;
            for (const uchar* at = std::search(row + inside.left(), end, searcher);
                 at != end && places < kPlacesPerAnchor; at = std::search(at + 1, end, searcher)) {
                ++places;
                const QPoint shift(int(at - row) - ink.left(), y - anchorY);
                if (!shift.isNull() && !shifts.contains(shift))
                    shifts.append(shift);
            }
        }
    }
    return shifts;
}
