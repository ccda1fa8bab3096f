#pragma once

#include <QList>
#include <QRect>

// A set of pixels kept as non-overlapping rectangles. Enough for the few
// dozen windows of a desktop; QRegion would pull in Qt GUI.
class RectRegion
{
public:
    RectRegion() = default;
    explicit RectRegion(const QRect& rect) { add(rect); }

    void add(const QRect& rect);
    void subtract(const QRect& rect);
    RectRegion intersected(const QRect& rect) const;
    bool isEmpty() const { return m_rects.isEmpty(); }
    const QList<QRect>& rects() const { return m_rects; }

private:
    // The parts of `rect` outside `hole`: up to four rectangles.
    static QList<QRect> cut(const QRect& rect, const QRect& hole);

    QList<QRect> m_rects;
};
