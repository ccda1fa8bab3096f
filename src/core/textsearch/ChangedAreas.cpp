#include "core/textsearch/ChangedAreas.h"

#include <cstring>

namespace {

// The first and last changed column of row `y`, or false when it is unchanged.
bool changedColumns(const GrayPixels& before, const GrayPixels& after, int y, int* first, int* last)
{
    const uchar* a = before.row(y);
    const uchar* b = after.row(y);
    if (std::memcmp(a, b, size_t(after.width)) == 0)
        return false;
    int left = 0, right = after.width - 1;
    while (a[left] == b[left])
        ++left;
    while (a[right] == b[right])
        --right;
    *first = left;
    *last = right;
    return true;
}

}  // namespace

QList<QRect> ChangedAreas::between(const GrayPixels& before, const GrayPixels& after)
{
    QList<QRect> areas;
    if (before.width != after.width || before.height != after.height)
        return {QRect(0, 0, after.width, after.height)};
    QRect band;
    for (int y = 0; y < after.height; ++y) {
        int first = 0, last = 0;
        if (!changedColumns(before, after, y, &first, &last))
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
