#include "ui/panel/PanelPlacement.h"

#include <algorithm>

namespace {

int clampInto(int position, int length, int start, int available)
{
    return std::max(start, std::min(position, start + available - length));
}

}  // namespace

QRect PanelPlacement::place(const QRect& anchor, const QSize& size, const QRect& available)
{
    const QPoint center = anchor.center();
    const int toTop = center.y() - available.top();
    const int toBottom = available.bottom() - center.y();
    const int toLeft = center.x() - available.left();
    const int toRight = available.right() - center.x();
    const int nearest = std::min({toTop, toBottom, toLeft, toRight});
    QPoint origin;
    if (nearest == toTop || nearest == toBottom) {
        origin.setX(center.x() - size.width() / 2);
        origin.setY(nearest == toTop ? anchor.bottom() + 1 + kGap : anchor.top() - kGap - size.height());
    } else {
        origin.setY(center.y() - size.height() / 2);
        origin.setX(nearest == toLeft ? anchor.right() + 1 + kGap : anchor.left() - kGap - size.width());
    }
    return {QPoint(clampInto(origin.x(), size.width(), available.left(), available.width()),
                   clampInto(origin.y(), size.height(), available.top(), available.height())),
            size};
}
