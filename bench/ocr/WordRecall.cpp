#include "WordRecall.h"

#include <QHash>
#include <QRegularExpression>

QStringList WordRecall::tokens(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}\\p{N}]+"));
    return text.toLower().split(separators, Qt::SkipEmptyParts);
}

double WordRecall::recall(const QStringList& expected, const QString& recognized)
{
    if (expected.isEmpty())
        return 1.0;
    QHash<QString, int> available;
    for (const QString& token : tokens(recognized))
        ++available[token];
    int found = 0;
    for (const QString& word : expected) {
        int& left = available[word.toLower()];
        if (left > 0) {
            --left;
            ++found;
        }
    }
    return double(found) / expected.size();
}
