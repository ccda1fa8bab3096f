#include "core/textsearch/ChangedAreas.h"

#include <algorithm>
#include <cstring>

namespace {

// The first and last column of row `y` in `area` of `after` that differ from
// `before` at the place `shift` away (a place outside `before` differs), or
// false when the row is the same.
bool changedColumns(const GrayPixels& before, const GrayPixels& after, const QRect& area, QPoint shift, int y,
                    int* first, int* last)
{
    const int fromY = y - shift.y();
    // The columns whose source lies inside `before`.
    const int left = std::max(area.left(), shift.x());
    const int right = std::min(area.right(), before.width - 1 + shift.x());
    if (fromY < 0 || fromY >= before.height || left > right) {
        *first = area.left();
        *last = area.right();
        return true;
    }
    const uchar* a = before.row(fromY);
    const uchar* b = after.row(y);
    if (left == area.left() && right == area.right()
        && std::memcmp(a + left - shift.x(), b + left, size_t(right - left + 1)) == 0)
        return false;
    auto differs = [&](int x) { return x < left || x > right || a[x - shift.x()] != b[x]; };
    int from = area.left(), to = area.right();
    while (from <= to && !differs(from))
        ++from;
    if (from > to)
        return false;
    while (!differs(to))
        --to;
    *first = from;
    *last = to;
    return true;
}

}  // namespace

QList<QRect> ChangedAreas::between(const GrayPixels& before, const GrayPixels& after)
{
    if (before.width != after.width || before.height != after.height)
        return {QRect(0, 0, after.width, after.height)};
    return within(before, after, QRect(0, 0, after.width, after.height), QPoint());
}

QList<QRect> ChangedAreas::within(const GrayPixels& before, const GrayPixels& after, const QRect& area, QPoint shift)
{
    QList<QRect> areas;
    QRect band;
    const QRect inside = area & QRect(0, 0, after.width, after.height);
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        int first = 0, last = 0;
        if (!changedColumns(before, after, inside, shift, y, &first, &last))
            continue;
        const QRect row(QPoint(first, y), QPoint(last, y));
        if (!band.isNull() && y - band.bottom() > kJoinRows) {
            areas.append(band);
            band = {};
        }
        band = band.isNull() ? row : band.united(row);
    }
    if (!band.isNull())
        areas.append(band);
    return areas;
}
