#include "core/textsearch/LineTextCache.h"

std::optional<QString> LineTextCache::find(quint64 hash)
{
    const auto found = m_index.find(hash);
    if (found == m_index.end())
        return std::nullopt;
    m_order.splice(m_order.begin(), m_order, found->second);
    return found->second->second;
}

void LineTextCache::insert(quint64 hash, const QString& text)
{
    if (const auto found = m_index.find(hash); found != m_index.end()) {
        m_bytes += cost(text) - cost(found->second->second);
        found->second->second = text;
        m_order.splice(m_order.begin(), m_order, found->second);
    } else {
        m_order.emplace_front(hash, text);
        m_index.emplace(hash, m_order.begin());
        m_bytes += cost(text);
    }
    evict();
}

void LineTextCache::clear()
{
    m_order.clear();
    m_index.clear();
    m_bytes = 0;
}

void LineTextCache::evict()
{
    while (m_bytes > m_maximumBytes && !m_order.empty()) {
        m_bytes -= cost(m_order.back().second);
        m_index.erase(m_order.back().first);
        m_order.pop_back();
    }
}
