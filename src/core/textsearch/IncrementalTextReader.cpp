#include "core/textsearch/IncrementalTextReader.h"

#include "core/textsearch/LineImageHash.h"

#include <algorithm>

namespace {

QString joinLines(const QStringList& texts)
{
    QString text;
    for (const QString& line : texts) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty())
            continue;
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += trimmed;
    }
    return text;
}

}  // namespace

IncrementalTextReader::DisplayState& IncrementalTextReader::stateFor(const QString& display, quint64 epoch)
{
    if (epoch != m_stateEpoch) {
        m_displays.clear();
        m_stateEpoch = epoch;
    }
    if (!m_displays.contains(display) && m_displays.size() >= size_t(kMaximumDisplays)) {
        const auto oldest = std::min_element(m_displays.begin(), m_displays.end(), [](const auto& a, const auto& b) {
            return a.second.lastUse < b.second.lastUse;
        });
        m_displays.erase(oldest);
    }
    DisplayState& state = m_displays[display];
    state.lastUse = ++m_uses;
    return state;
}

TextReadResult IncrementalTextReader::read(const QString& display, TextPage& page, const TextSearchSettings& settings,
                                           QDeadlineTimer deadline, quint64 epoch)
{
    std::lock_guard lock(m_mutex);
    DisplayState& state = stateFor(display, epoch);
    const GrayPixels pixels = page.pixels();
    const QSize size(pixels.width, pixels.height);
    const quint64 frameHash = LineImageHash::frame(pixels);
    const bool continues = state.size == size && state.settings == settings;
    if (continues && frameHash == state.frameHash) {
        m_lastReport = {ReadKind::Identical, m_lastReport.lines, 0};
        return TextReadResult::read(state.text);
    }
    const bool full = !continues || state.sinceFullRead + 1 >= kFullReadEvery;
    if (!continues) {
        state.lines.clear();
        state.size = {};  // until this read succeeds, the display has no usable state
        state.settings = settings;
    }
    const TextReadResult result = full ? readFull(state, page, deadline) : readChanged(state, page, deadline);
    if (!result.ok())
        return result;
    state.frameHash = frameHash;
    state.text = result.text();
    state.size = size;
    state.sinceFullRead = full ? 0 : state.sinceFullRead + 1;
    return result;
}

TextReadResult IncrementalTextReader::readFull(DisplayState& state, TextPage& page, QDeadlineTimer deadline)
{
    QList<TextPage::Line> lines;
    const TextReadResult result = page.readAll(deadline, &lines);
    if (!result.ok())
        return result;
    const GrayPixels pixels = page.pixels();
    for (const TextPage::Line& line : std::as_const(lines))
        state.lines.insert(LineImageHash::line(pixels, line.box), line.text.trimmed());
    m_lastReport = {ReadKind::Full, int(lines.size()), int(lines.size())};
    return result;
}

TextReadResult IncrementalTextReader::readChanged(DisplayState& state, TextPage& page, QDeadlineTimer deadline)
{
    QList<QRect> boxes;
    if (const TextReadResult found = page.findLines(deadline, &boxes); !found.ok())
        return found;
    const GrayPixels pixels = page.pixels();
    QStringList texts;
    QList<quint64> hashes;
    QList<QRect> unknownBoxes;
    QList<qsizetype> unknownAt;
    for (const QRect& box : std::as_const(boxes)) {
        const quint64 hash = LineImageHash::line(pixels, box);
        hashes.append(hash);
        if (const std::optional<QString> known = state.lines.find(hash)) {
            texts.append(*known);
        } else {
            unknownAt.append(texts.size());
            unknownBoxes.append(box);
            texts.append(QString());
        }
    }
    if (!unknownBoxes.isEmpty()) {
        QStringList read;
        if (const TextReadResult result = page.readLines(unknownBoxes, deadline, &read); !result.ok())
            return result;
        for (qsizetype i = 0; i < unknownAt.size() && i < read.size(); ++i) {
            texts[unknownAt[i]] = read[i].trimmed();
            state.lines.insert(hashes[unknownAt[i]], texts[unknownAt[i]]);
        }
    }
    m_lastReport = {ReadKind::Lines, int(boxes.size()), int(unknownBoxes.size())};
    return TextReadResult::read(joinLines(texts));
}

IncrementalTextReader::Report IncrementalTextReader::lastReport() const
{
    std::lock_guard lock(m_mutex);
    return m_lastReport;
}

qsizetype IncrementalTextReader::cachedBytes(const QString& display) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_displays.find(display);
    return found == m_displays.end() ? 0 : found->second.lines.bytes() + found->second.text.size() * qsizetype(sizeof(QChar));
}
