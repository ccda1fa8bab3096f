#pragma once

#include "core/textsearch/LineTextCache.h"
#include "core/textsearch/TextPage.h"
#include "core/textsearch/TextSearchSettings.h"

#include <QSize>

#include <atomic>
#include <map>
#include <mutex>

// Reads consecutive screenshots of a display by what changed since the one
// before. Per display it keeps the previous screenshot's hash and text and an
// LRU of line-image hashes → text, bounded at kLineCacheBytes (2 MiB) per
// display and kMaximumDisplays displays, so at most 16 MiB in all.
//
// - A screenshot identical to the previous one gets the previous text.
// - Otherwise the page's layout gives its text lines; each line whose pixels
//   were seen before (also elsewhere on the screen: scrolled or moved) gets
//   the text read then, and only the others are read, one line at a time.
//   The lines' texts, joined in layout order, make the page's text, as a
//   full read gives it.
// - A display without state (its first screenshot, or after restart()), a
//   change of size or text settings, and every kFullReadEvery-th screenshot
//   that isn't identical are read in full; a full read replaces the
//   display's previous text and refreshes its lines' entries, so what
//   reading line by line may have got differently does not live on.
//
// Safe to call from several threads; reads of one display should come in
// capture order.
class IncrementalTextReader
{
public:
    static constexpr qsizetype kLineCacheBytes = 2 * 1024 * 1024;
    static constexpr int kMaximumDisplays = 8;
    static constexpr int kFullReadEvery = 20;

    enum class ReadKind { Full, Identical, Lines };
    struct Report
    {
        ReadKind kind = ReadKind::Full;
        int lines = 0;      // text lines on the page
        int linesRead = 0;  // of them, read this time (all in a full read)
    };

    // Reads `page`, the newest screenshot of `display`. `epoch` is epoch() as
    // it was when the screenshot was taken: state older than a restart is dropped.
    TextReadResult read(const QString& display, TextPage& page, const TextSearchSettings& settings,
                        QDeadlineTimer deadline, quint64 epoch);
    TextReadResult read(const QString& display, TextPage& page, const TextSearchSettings& settings,
                        QDeadlineTimer deadline)
    {
        return read(display, page, settings, deadline, epoch());
    }

    // Every display's next screenshot taken from now on is read in full (after wake, a settings change).
    void restart() { ++m_epoch; }
    quint64 epoch() const { return m_epoch; }

    Report lastReport() const;
    qsizetype cachedBytes(const QString& display) const;

private:
    struct DisplayState
    {
        quint64 frameHash = 0;
        QString text;
        TextSearchSettings settings;
        QSize size;
        int sinceFullRead = 0;
        quint64 lastUse = 0;
        LineTextCache lines{kLineCacheBytes};
    };

    DisplayState& stateFor(const QString& display, quint64 epoch);
    TextReadResult readFull(DisplayState& state, TextPage& page, QDeadlineTimer deadline);
    TextReadResult readChanged(DisplayState& state, TextPage& page, QDeadlineTimer deadline);

    mutable std::mutex m_mutex;
    std::atomic<quint64> m_epoch{0};
    quint64 m_stateEpoch = 0;
    quint64 m_uses = 0;
    std::map<QString, DisplayState> m_displays;
    Report m_lastReport;
};
