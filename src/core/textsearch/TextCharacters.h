#pragma once

#include <QList>
#include <QString>

// Counting and cutting text by user-perceived characters (grapheme clusters),
// so an accented letter, an emoji or a letter with combining marks counts as
// one and is never split.
class TextCharacters
{
public:
    static constexpr int kStoredLimit = 8000;  // characters kept of a recognised text

    static qsizetype count(const QString& text);
    // The first `limit` characters (the whole text when it is shorter).
    static QString prefix(const QString& text, qsizetype limit);
    // The UTF-16 offsets at which a character ends, in order (the last is text.size()).
    static QList<qsizetype> boundaries(const QString& text);
};
