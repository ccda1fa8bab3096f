#pragma once

#include <QString>

#include <list>
#include <optional>
#include <unordered_map>

// The text of line images seen before, by their hash: least recently used
// entries go first once the entries together would cost more than the bound.
// An entry's cost counts its text and the bookkeeping around it.
class LineTextCache
{
public:
    static constexpr qsizetype kEntryOverhead = 128;  // list node, map node and bucket, string header

    explicit LineTextCache(qsizetype maximumBytes)
        : m_maximumBytes(maximumBytes)
    {
    }
    LineTextCache(const LineTextCache&) = delete;  // the index points into the list
    LineTextCache& operator=(const LineTextCache&) = delete;

    // The text of `hash`, which becomes the most recently used entry.
    std::optional<QString> find(quint64 hash);
    void insert(quint64 hash, const QString& text);
    void clear();

    qsizetype bytes() const { return m_bytes; }
    qsizetype count() const { return qsizetype(m_index.size()); }
    static qsizetype cost(const QString& text) { return kEntryOverhead + text.size() * qsizetype(sizeof(QChar)); }

private:
    using Entry = std::pair<quint64, QString>;

    void evict();

    qsizetype m_maximumBytes;
    qsizetype m_bytes = 0;
    std::list<Entry> m_order;  // most recently used first
    std::unordered_map<quint64, std::list<Entry>::iterator> m_index;
};
