#pragma once

#include "core/textsearch/TextPage.h"

#include <QList>
#include <QRect>

// Where two grey images differ: one rectangle per band of changed rows
// (bands closer than kJoinRows rows are one), as wide as the changes in it.
class ChangedAreas
{
public:
    static constexpr int kJoinRows = 24;

    // Images of different sizes differ everywhere.
    static QList<QRect> between(const GrayPixels& before, const GrayPixels& after);
    // Where `area` of `after` differs from `before` moved by `shift` (after's
    // pixel at p against before's at p - shift; one outside `before` differs).
    static QList<QRect> within(const GrayPixels& before, const GrayPixels& after, const QRect& area, QPoint shift);
};
