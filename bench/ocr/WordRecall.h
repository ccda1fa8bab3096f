#pragma once

#include <QString>
#include <QStringList>

// The share of expected words found in a recognised text, each found word
// used once (so a word drawn three times must be read three times).
class WordRecall
{
public:
    static QStringList tokens(const QString& text);  // lower case, letters and digits only
    static double recall(const QStringList& expected, const QString& recognized);
};
