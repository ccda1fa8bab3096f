#include "platform/linux/x11/RectRegion.h"

void RectRegion::add(const QRect& rect)
{
    if (rect.isEmpty())
        return;
    QList<QRect> pieces{rect};
    for (const QRect& existing : std::as_const(m_rects)) {
        QList<QRect> remaining;
        for (const QRect& piece : std::as_const(pieces))
            remaining += cut(piece, existing);
        pieces = remaining;
    }
    m_rects += pieces;
}

void RectRegion::subtract(const QRect& rect)
{
    if (rect.isEmpty())
        return;
    QList<QRect> remaining;
    for (const QRect& existing : std::as_const(m_rects))
        remaining += cut(existing, rect);
    m_rects = remaining;
}

RectRegion RectRegion::intersected(const QRect& rect) const
{
    RectRegion result;
    for (const QRect& existing : m_rects) {
        const QRect overlap = existing.intersected(rect);
        if (!overlap.isEmpty())
            result.m_rects.append(overlap);
    }
    return result;
}

QList<QRect> RectRegion::cut(const QRect& rect, const QRect& hole)
{
    const QRect overlap = rect.intersected(hole);
    if (overlap.isEmpty())
        return {rect};
    QList<QRect> parts;
    if (overlap.top() > rect.top())
        parts.append(QRect(rect.left(), rect.top(), rect.width(), overlap.top() - rect.top()));
    if (overlap.bottom() < rect.bottom())
        parts.append(QRect(rect.left(), overlap.bottom() + 1, rect.width(), rect.bottom() - overlap.bottom()));
    if (overlap.left() > rect.left())
        parts.append(QRect(rect.left(), overlap.top(), overlap.left() - rect.left(), overlap.height()));
    if (overlap.right() < rect.right())
        parts.append(QRect(overlap.right() + 1, overlap.top(), rect.right() - overlap.right(), overlap.height()));
    return parts;
}
