#pragma once

#include "core/textsearch/TextPage.h"

#include <QList>
#include <QRect>

// Where two grey images of the same size differ: one rectangle per band of
// changed rows (bands closer than kJoinRows rows are one), as wide as the
// changes in it.
class ChangedAreas
{
public:
    static constexpr int kJoinRows = 24;

    static QList<QRect> between(const GrayPixels& before, const GrayPixels& after);
};
