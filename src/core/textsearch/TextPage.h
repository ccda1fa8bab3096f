#pragma once

#include "core/textsearch/TextReadResult.h"

#include <QDeadlineTimer>
#include <QList>
#include <QRect>
#include <QStringList>

// Grey pixels, one byte each, rows without padding; borrowed, not owned.
struct GrayPixels
{
    const uchar* pixels = nullptr;
    int width = 0;
    int height = 0;

    const uchar* row(int y) const { return pixels + qsizetype(y) * width; }
};

// One screenshot made ready for reading piece by piece: the recogniser's side
// of incremental reading. A page is used by one thread at a time; its calls
// may come in any order and more than once.
class TextPage
{
public:
    struct Line
    {
        QRect box;  // in the image's pixels
        QString text;
    };

    virtual ~TextPage() = default;

    // A page's text from its lines' texts in reading order, as every read
    // gives it: each trimmed, one a line, lines without text left out.
    static QString joined(const QStringList& lines);

    // The grey image as captured (before any inversion or scaling), for hashing.
    virtual GrayPixels pixels() const = 0;
    // Reads the whole image as a plain read does (same text); `lines` receives
    // every text line the layout found, in reading order, each with its text
    // (empty for a line that held no word).
    virtual TextReadResult readAll(QDeadlineTimer deadline, QList<Line>* lines) = 0;
    // Layout analysis alone: the boxes of the text lines inside `area` (a null
    // area: the whole image), in the order readAll() gives them.
    virtual TextReadResult findLines(const QRect& area, QDeadlineTimer deadline, QList<QRect>* boxes) = 0;
    // Reads each box as a single line of text; `texts` gets one entry per box.
    virtual TextReadResult readLines(const QList<QRect>& boxes, QDeadlineTimer deadline, QStringList* texts) = 0;
};
