#include "core/search/FtsQuery.h"

#include <QSet>

#include <algorithm>

namespace {

bool isWordCharacter(char32_t c)
{
    if (QChar::isLetterOrNumber(c))
        return true;
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:  // a combining accent belongs to its letter
    case QChar::Other_PrivateUse:
        return true;
    default:
        return false;
    }
}

// Calls `found(start, end)` for each word of `text`, in order.
template <typename Found>
void cutWords(const QString& text, Found found)
{
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size();) {
        char32_t c = 0;
        qsizetype length = 1;
        if (i < text.size()) {
            c = text.at(i).unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
                length = 2;
            }
        }
        const bool inWord = i < text.size() && isWordCharacter(c);
        if (inWord && start < 0) {
            start = i;
        } else if (!inWord && start >= 0) {
            found(start, i);
            start = -1;
        }
        i += length;
    }
}

bool wordMatches(const QString& word, const QString& wanted, bool asPrefix)
{
    return asPrefix ? word.startsWith(wanted) : word == wanted;
}

QString quoted(const QStringList& words)
{
    return QLatin1Char('"') + words.join(QLatin1Char(' ')) + QLatin1Char('"');
}

void appendTerm(QList<FtsQuery::Term>& terms, const QString& part)
{
    FtsQuery::Term term;
    for (const FtsQuery::Word& word : FtsQuery::words(part))
        term.words.append(word.folded);
    if (!term.words.isEmpty())
        terms.append(term);
}

}  // namespace

FtsQuery::FtsQuery(const QString& userText)
{
    QString current;
    bool inQuotes = false;
    bool lastIsQuoted = false;
    auto finish = [&](bool quoted) {
        const qsizetype before = m_terms.size();
        appendTerm(m_terms, current);
        if (m_terms.size() > before)
            lastIsQuoted = quoted;
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
    if (!m_terms.isEmpty() && !lastIsQuoted)
        m_terms.last().isPrefix = m_terms.last().words.last().size() >= kMinimumPrefixLength;
}

QString FtsQuery::matchExpression(const std::optional<QStringList>& completions) const
{
    QStringList parts;
    for (const Term& term : m_terms) {
        if (!term.isPrefix) {
            parts.append(quoted(term.words));
        } else if (!completions) {
            parts.append(quoted(term.words) + QLatin1Char('*'));
        } else {
            QStringList alternatives;
            QStringList words = term.words;
            for (const QString& completion : *completions) {
                words.last() = completion;
                alternatives.append(quoted(words));
            }
            parts.append(QLatin1Char('(') + alternatives.join(QStringLiteral(" OR ")) + QLatin1Char(')'));
        }
    }
    return parts.join(QStringLiteral(" AND "));
}

std::optional<QString> FtsQuery::prefix() const
{
    if (m_terms.isEmpty() || !m_terms.last().isPrefix)
        return std::nullopt;
    return m_terms.last().words.last();
}

std::optional<QList<FtsQuery::Span>> FtsQuery::spansIn(const QString& text) const
{
    const QList<Word> found = words(text);
    QList<Span> spans;
    for (const Term& term : m_terms) {
        const qsizetype count = term.words.size();
        bool occurs = false;
        for (qsizetype at = 0; at + count <= found.size(); ++at) {
            qsizetype k = 0;
            while (k < count && wordMatches(found[at + k].folded, term.words[k], term.isPrefix && k == count - 1))
                ++k;
            if (k == count) {
                spans.append({found[at].start, found[at + count - 1].end});
                occurs = true;
            }
        }
        if (!occurs)
            return std::nullopt;
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    return spans;
}

QList<FtsQuery::Word> FtsQuery::words(const QString& text)
{
    QList<Word> result;
    cutWords(text, [&](qsizetype start, qsizetype end) {
        QString word = folded(text.mid(start, end - start));
        if (!word.isEmpty())
            result.append({start, end, std::move(word)});
    });
    return result;
}

QStringList FtsQuery::distinctWords(const QString& text)
{
    // Most words of a text recur: each spelling is folded once.
    QSet<QStringView> spellings;
    cutWords(text,
             [&](qsizetype start, qsizetype end) { spellings.insert(QStringView(text).sliced(start, end - start)); });
    QSet<QString> words;
    for (QStringView spelling : spellings) {
        QString word = folded(spelling.toString());
        if (!word.isEmpty())
            words.insert(std::move(word));
    }
    return words.values();
}

QString FtsQuery::folded(const QString& word)
{
    bool isAscii = true;
    for (QChar c : word)
        isAscii = isAscii && c.unicode() < 0x80;
    if (isAscii)
        return word.toLower();
    const QString decomposed = word.normalized(QString::NormalizationForm_D);
    QString result;
    result.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            result.append(c);
    }
    return result.toLower();
}
