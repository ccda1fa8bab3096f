#include "core/search/FtsQuery.h"

#include <QStringList>

namespace {

struct Term
{
    QString text;
    bool isPhrase = false;
};

QList<Term> termsOf(const QString& userText)
{
    QList<Term> terms;
    QString current;
    bool inQuotes = false;
    auto finish = [&](bool isPhrase) {
        if (!current.isEmpty())
            terms.append({current, isPhrase});
        current.clear();
    };
    for (QChar c : userText) {
        if (c == QLatin1Char('"')) {
            finish(inQuotes);
            inQuotes = !inQuotes;
        } else if (!inQuotes && c.isSpace()) {
            finish(false);
        } else {
            current.append(c);
        }
    }
    finish(inQuotes);  // an unclosed quote runs to the end
    return terms;
}

}  // namespace

QString FtsQuery::matchExpression(const QString& userText)
{
    QList<Term> terms = termsOf(userText);
    terms.removeIf([](const Term& term) { return !hasWordCharacter(term.text); });
    QStringList parts;
    for (qsizetype i = 0; i < terms.size(); ++i) {
        const bool isPrefix = i == terms.size() - 1 && !terms[i].isPhrase;
        parts.append(quoted(terms[i].text) + (isPrefix ? QStringLiteral("*") : QString()));
    }
    return parts.join(QStringLiteral(" AND "));
}

bool FtsQuery::hasWordCharacter(const QString& term)
{
    for (QChar c : term) {
        if (c.isLetterOrNumber())
            return true;
    }
    return false;
}

// An FTS5 string: double quotes inside doubled, NUL (which would end the
// expression early for SQLite) dropped.
QString FtsQuery::quoted(const QString& term)
{
    QString body = term;
    body.remove(QChar(0));
    body.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + body + QLatin1Char('"');
}
