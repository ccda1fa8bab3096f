#include "core/textsearch/TextCharacters.h"

#include <QTextBoundaryFinder>

qsizetype TextCharacters::count(const QString& text)
{
    return boundaries(text).size();
}

QString TextCharacters::prefix(const QString& text, qsizetype limit)
{
    if (text.size() <= limit)  // a character is at least one UTF-16 unit
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype characters = 0;
    while (finder.toNextBoundary() >= 0) {
        if (++characters == limit)
            return text.left(finder.position());
    }
    return text;
}

QList<qsizetype> TextCharacters::boundaries(const QString& text)
{
    QList<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype position;
    while ((position = finder.toNextBoundary()) >= 0) {
        if (position > 0)
            ends.append(position);
    }
    return ends;
}
