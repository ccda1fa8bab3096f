#pragma once

#include <QString>

// Turns what a user typed into an FTS5 match expression that cannot be a
// syntax error: every word must occur, the last one (when it is not inside
// quotes) as a prefix, and text in double quotes as a phrase. Each term goes
// into FTS5 as a quoted string, so operators, column filters, brackets and
// stray quotes in the input are only text; terms without a letter or digit
// are left out, since FTS5 matches nothing for them.
class FtsQuery
{
public:
    // Empty when the text holds no word at all.
    static QString matchExpression(const QString& userText);

private:
    static bool hasWordCharacter(const QString& term);
    static QString quoted(const QString& term);
};
