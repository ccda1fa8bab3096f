#pragma once

#include "core/textsearch/LineTextCache.h"
#include "core/textsearch/TextPage.h"
#include "core/textsearch/TextSearchSettings.h"

#include <QSize>

#include <atomic>
#include <map>
#include <mutex>

// Reads consecutive screenshots of a display by what changed since the one
// before. Per display it keeps the previous screenshot (grey, 2 MB at
// 1920×1080), the lines (box, hash, text) of it and of the few before (some
// kB each) and an LRU of line-image hashes →
// text bounded at kLineCacheBytes (2 MiB); at most kMaximumDisplays displays
// keep state, the least recently read one goes first: about 4 MB a display,
// 32 MB at most.
//
// - A screenshot identical to the previous one, or to one of the
//   kRecentScreens before (switching back to a window), gets that one's text.
// - Otherwise the text lines are found again where the pixels changed (the
//   changed rows, widened to the whole lines they touch; the whole page when
//   most of it changed), the lines elsewhere stay as they were. Where the
//   content of a changed area moved (a scroll, a dragged window: ContentShift)
//   its lines move along, and lines are found only in the strips it uncovered.
//   Each line found whose pixels were seen before (also elsewhere on the
//   screen: scrolled or moved) gets the text read then; only the others are
//   read, one line at a time. The lines' texts, joined in layout order, make the
//   page's text, as a full read gives it. A page found anew whose lines are
//   mostly unknown is read in full instead (no dearer, and reads better).
// - A display without state (its first screenshot, or after restart()), a
//   change of size or text settings, and every kFullReadEvery-th screenshot
//   that isn't identical are read in full; a full read replaces the
//   display's lines and refreshes their entries, so what reading line by
//   line may have got differently does not live on.
//
// Safe to call from several threads; reads of one display should come in
// capture order.
class IncrementalTextReader
{
public:
    static constexpr qsizetype kLineCacheBytes = 2 * 1024 * 1024;
    static constexpr int kMaximumDisplays = 8;
    static constexpr int kFullReadEvery = 20;
    static constexpr int kRecentScreens = 4;
    // Above this share of the screen changed, the layout of the whole page is found again.
    static constexpr double kWholePageShare = 0.4;
    // The fewest previous lines a shift must move for an area's content to count as moved.
    static constexpr int kFewestMoved = 2;

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

    // Every display's next screenshot taken from now on is read in full (after wake; a change of text settings or
    // screen size restarts a display by itself).
    void restart() { ++m_epoch; }
    quint64 epoch() const { return m_epoch; }

    Report lastReport() const;
    qsizetype cachedBytes(const QString& display) const;  // the line cache and the previous text

private:
    struct Line
    {
        QRect box;
        quint64 hash = 0;
        QString text;
    };
    struct Frame
    {
        quint64 hash = 0;
        QList<Line> lines;
        QString text;
    };
    struct DisplayState
    {
        quint64 frameHash = 0;
        QByteArray gray;
        QSize size;
        QList<Line> lines;
        QString text;
        TextSearchSettings settings;
        int sinceFullRead = 0;
        quint64 lastUse = 0;
        LineTextCache cache{kLineCacheBytes};
        QList<Frame> recent;  // the last screens read, newest first: their lines and text
    };

    // The lines found in one area of the page, those not known yet by index.
    struct Found
    {
        QList<Line> lines;
        QList<qsizetype> unknown;
    };
    // One changed area: the previous lines that moved with its content, at
    // their new place, and the strips where lines are to be found anew (the
    // whole area when its content did not move).
    struct Redo
    {
        QRect area;
        QList<Line> moved;
        QList<QRect> strips;
    };

    DisplayState& stateFor(const QString& display, quint64 epoch);
    // Keeps the screen just read as the one to compare the next with, and among the recent ones.
    static void remember(DisplayState& state, const GrayPixels& pixels);
    TextReadResult readFull(DisplayState& state, TextPage& page, QDeadlineTimer deadline);
    // `readInFull` is set when the page turned out mostly new and was read in full.
    TextReadResult readChanged(DisplayState& state, TextPage& page, QDeadlineTimer deadline, bool* readInFull);
    // The areas to find lines in again: the changed ones, widened to the previous lines they touch.
    static QList<QRect> areasToRedo(const DisplayState& state, const GrayPixels& pixels);
    // `areas` grown over the `lines` they touch (and padded, inside `bounds`), those that meet joined.
    static QList<QRect> grownOver(QList<QRect> areas, const QList<Line>& lines, const QRect& bounds);
    // How to redo `area`: when a shift of its content moves at least
    // kFewestMoved previous lines whole (the shift moving the most), those
    // lines at their new place and the strips the shift does not explain;
    // otherwise the whole area.
    static Redo redo(const DisplayState& state, const GrayPixels& before, const GrayPixels& after, const QRect& area);
    // The previous lines outside the areas, with the lines of each area in their place.
    static QList<Line> merged(const QList<Line>& previous, const QList<QRect>& areas,
                              const QList<QList<Line>>& areaLines);
    // The lines of one area with the texts known from before.
    TextReadResult findLines(DisplayState& state, TextPage& page, const QRect& area, QDeadlineTimer deadline,
                             Found* found);
    TextReadResult readUnknown(DisplayState& state, TextPage& page, QDeadlineTimer deadline, Found* found);

    mutable std::mutex m_mutex;
    std::atomic<quint64> m_epoch{0};
    quint64 m_stateEpoch = 0;
    quint64 m_uses = 0;
    std::map<QString, DisplayState> m_displays;
    Report m_lastReport;
};
