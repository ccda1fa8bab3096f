#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What a user typed, as the words both searches match: every term must
// occur; a term is one word, or the words of a "quoted phrase", or of a
// word with punctuation inside ("garden-party"), which must follow each
// other; the last term, when it is not inside quotes and its last word has
// at least kMinimumPrefixLength characters, matches words that begin with
// it. Shorter beginnings match only whole words: "in" finds "in", not every
// word that starts so (which the index would have to gather from every
// screenshot). Words are cut and folded as the index's tokenizer (FTS5
// unicode61, diacritics removed) cuts and folds them: letters, digits and
// private-use characters make words, anything else separates them; case and
// accents do not count.
class FtsQuery
{
public:
    static constexpr int kMinimumPrefixLength = 3;

    struct Term
    {
        QStringList words;  // folded
        bool isPrefix = false;
    };
    struct Span
    {
        qsizetype start = 0;  // in the text
        qsizetype end = 0;
    };
    struct Word
    {
        qsizetype start = 0;  // in the text
        qsizetype end = 0;
        QString folded;
    };

    explicit FtsQuery(const QString& userText);

    const QList<Term>& terms() const { return m_terms; }
    bool isEmpty() const { return m_terms.isEmpty(); }
    // The FTS5 match expression: quoted words only, so nothing the user
    // types is FTS5 syntax. With `completions`, the beginning a term ends
    // with is asked as those whole words joined by OR instead of as a
    // beginning (they must not be empty).
    QString matchExpression(const std::optional<QStringList>& completions = std::nullopt) const;
    // The folded beginning the last term ends with, when it is one.
    std::optional<QString> prefix() const;

    // Where the terms occur in `text` (every occurrence, in order); nothing
    // when a term does not occur. The index matches the same way.
    std::optional<QList<Span>> spansIn(const QString& text) const;

    // The words of `text` in order, with where each stands.
    static QList<Word> words(const QString& text);
    // The folded words of `text`, each once, in no order.
    static QStringList distinctWords(const QString& text);
    // Lower case without accents: "Café" and "CAFE" fold alike.
    static QString folded(const QString& word);

private:
    QList<Term> m_terms;
};
