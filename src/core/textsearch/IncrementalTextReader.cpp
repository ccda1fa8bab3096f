#include "core/textsearch/IncrementalTextReader.h"

#include "core/textsearch/ChangedAreas.h"
#include "core/textsearch/ContentShift.h"
#include "core/textsearch/LineImageHash.h"

#include <algorithm>

namespace {

// Room around a changed area, so the layout sees its lines with background
// around them; less than the space between two lines of text.
constexpr int kAreaPadding = 3;

QString joinLines(const auto& lines)
{
    QStringList texts;
    for (const auto& line : lines)
        texts.append(line.text);
    return TextPage::joined(texts);
}

qint64 area(const QRect& r)
{
    return qint64(r.width()) * r.height();
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
        m_lastReport = {ReadKind::Identical, int(state.lines.size()), 0};
        return TextReadResult::read(state.text);
    }
    const auto seen = std::find_if(state.recent.cbegin(), state.recent.cend(),
                                   [&](const Frame& frame) { return frame.hash == frameHash; });
    if (continues && seen != state.recent.cend()) {  // back to a screen seen a little earlier
        state.frameHash = frameHash;
        state.lines = seen->lines;
        state.text = seen->text;
        remember(state, pixels);
        m_lastReport = {ReadKind::Identical, int(state.lines.size()), 0};
        return TextReadResult::read(state.text);
    }
    bool full = !continues || state.sinceFullRead + 1 >= kFullReadEvery;
    if (!continues) {
        state.cache.clear();
        state.size = {};  // until this read succeeds, the display has no usable state
        state.settings = settings;
    }
    const TextReadResult result = full ? readFull(state, page, deadline) : readChanged(state, page, deadline, &full);
    if (!result.ok()) {
        state.size = {};  // the lines may be half replaced: start over
        return result;
    }
    if (!continues)
        state.recent.clear();
    state.frameHash = frameHash;
    state.text = result.text();
    state.size = size;
    remember(state, pixels);
    state.sinceFullRead = full ? 0 : state.sinceFullRead + 1;
    return result;
}

void IncrementalTextReader::remember(DisplayState& state, const GrayPixels& pixels)
{
    state.gray = QByteArray(reinterpret_cast<const char*>(pixels.pixels), qsizetype(pixels.width) * pixels.height);
    state.recent.removeIf([&](const Frame& frame) { return frame.hash == state.frameHash; });
    state.recent.prepend({state.frameHash, state.lines, state.text});
    if (state.recent.size() > kRecentScreens)
        state.recent.removeLast();
}

TextReadResult IncrementalTextReader::readFull(DisplayState& state, TextPage& page, QDeadlineTimer deadline)
{
    QList<TextPage::Line> found;
    const TextReadResult result = page.readAll(deadline, &found);
    if (!result.ok())
        return result;
    const GrayPixels pixels = page.pixels();
    state.lines.clear();
    for (const TextPage::Line& line : std::as_const(found)) {
        state.lines.append({line.box, LineImageHash::line(pixels, line.box), line.text.trimmed()});
        state.cache.insert(state.lines.last().hash, state.lines.last().text);
    }
    m_lastReport = {ReadKind::Full, int(found.size()), int(found.size())};
    return result;
}

QList<QRect> IncrementalTextReader::areasToRedo(const DisplayState& state, const GrayPixels& pixels)
{
    const GrayPixels before{reinterpret_cast<const uchar*>(state.gray.constData()), pixels.width, pixels.height};
    return grownOver(ChangedAreas::between(before, pixels), state.lines, QRect(0, 0, pixels.width, pixels.height));
}

QList<QRect> IncrementalTextReader::grownOver(QList<QRect> areas, const QList<Line>& lines, const QRect& bounds)
{
    auto padded = [&](const QRect& r) {
        return r.adjusted(-kAreaPadding, -kAreaPadding, kAreaPadding, kAreaPadding) & bounds;
    };
    for (QRect& r : areas)
        r = padded(r);
    // Grow each area over the lines it touches and join areas that meet, until nothing changes.
    for (bool grew = true; grew;) {
        grew = false;
        for (QRect& r : areas) {
            for (const Line& line : lines) {
                if (r.intersects(line.box) && !r.contains(line.box)) {
                    r = padded(r | line.box);
                    grew = true;
                }
            }
        }
        for (qsizetype i = 0; i < areas.size(); ++i) {
            for (qsizetype j = areas.size() - 1; j > i; --j) {
                if (areas[i].intersects(areas[j])) {
                    areas[i] |= areas.takeAt(j);
                    grew = true;
                }
            }
        }
    }
    return areas;
}

IncrementalTextReader::Redo IncrementalTextReader::redo(const DisplayState& state, const GrayPixels& before,
                                                        const GrayPixels& after, const QRect& area)
{
    QList<Line> inside;
    QList<QRect> boxes;
    for (const Line& line : state.lines) {
        if (area.contains(line.box)) {
            inside.append(line);
            boxes.append(line.box);
        }
    }
    auto movesWith = [&](const Line& line, QPoint shift) {
        const QRect box = line.box.translated(shift);
        return area.contains(box) && LineImageHash::line(after, box) == line.hash;
    };
    QPoint shift;
    qsizetype most = kFewestMoved - 1;
    if (inside.size() >= kFewestMoved) {
        for (const QPoint& candidate : ContentShift::candidates(before, after, area, boxes)) {
            const qsizetype moved = std::count_if(inside.cbegin(), inside.cend(),
                                                  [&](const Line& line) { return movesWith(line, candidate); });
            if (moved > most) {
                most = moved;
                shift = candidate;
            }
        }
    }
    if (shift.isNull())
        return {area, {}, {area}};
    // Lines are found again where the moved content does not explain the pixels:
    // what it uncovered, and around every line that did not move along whole.
    QList<QRect> strips = ChangedAreas::within(before, after, area, shift);
    QList<Line> moved;
    for (const Line& line : std::as_const(inside)) {
        const QRect box = line.box.translated(shift);
        if (movesWith(line, shift))
            moved.append({box, line.hash, line.text});
        else if (area.intersects(box))
            strips.append(box & area);
    }
    strips = grownOver(strips, moved, area);
    moved.removeIf([&](const Line& line) {
        return std::any_of(strips.cbegin(), strips.cend(), [&](const QRect& r) { return r.intersects(line.box); });
    });
    return {area, moved, strips};
}

TextReadResult IncrementalTextReader::findLines(DisplayState& state, TextPage& page, const QRect& area,
                                                QDeadlineTimer deadline, Found* found)
{
    QList<QRect> boxes;
    if (const TextReadResult result = page.findLines(area, deadline, &boxes); !result.ok())
        return result;
    const GrayPixels pixels = page.pixels();
    for (const QRect& box : std::as_const(boxes)) {
        const quint64 hash = LineImageHash::line(pixels, box);
        const std::optional<QString> known = state.cache.find(hash);
        if (!known)
            found->unknown.append(found->lines.size());
        found->lines.append({box, hash, known.value_or(QString())});
    }
    return TextReadResult::read({});
}

TextReadResult IncrementalTextReader::readUnknown(DisplayState& state, TextPage& page, QDeadlineTimer deadline,
                                                  Found* found)
{
    if (found->unknown.isEmpty())
        return TextReadResult::read({});
    QList<QRect> boxes;
    for (qsizetype at : std::as_const(found->unknown))
        boxes.append(found->lines[at].box);
    QStringList read;
    if (const TextReadResult result = page.readLines(boxes, deadline, &read); !result.ok())
        return result;
    for (qsizetype i = 0; i < found->unknown.size() && i < read.size(); ++i) {
        Line& line = found->lines[found->unknown[i]];
        line.text = read[i].trimmed();
        state.cache.insert(line.hash, line.text);
    }
    m_lastReport.linesRead += int(boxes.size());
    return TextReadResult::read({});
}

TextReadResult IncrementalTextReader::readChanged(DisplayState& state, TextPage& page, QDeadlineTimer deadline,
                                                  bool* readInFull)
{
    const GrayPixels pixels = page.pixels();
    const GrayPixels before{reinterpret_cast<const uchar*>(state.gray.constData()), pixels.width, pixels.height};
    QList<Redo> redos;
    qint64 toFind = 0;
    for (const QRect& changed : areasToRedo(state, pixels)) {
        redos.append(redo(state, before, pixels, changed));
        for (const QRect& strip : std::as_const(redos.last().strips))
            toFind += area(strip);
    }
    const bool wholePage = toFind > kWholePageShare * pixels.width * pixels.height;
    if (wholePage)
        redos = {{QRect(), {}, {QRect()}}};
    m_lastReport = {ReadKind::Lines, 0, 0};

    QList<QList<Found>> found;
    for (const Redo& each : std::as_const(redos)) {
        found.append(QList<Found>(each.strips.size()));
        for (qsizetype i = 0; i < each.strips.size(); ++i) {
            if (const TextReadResult result = findLines(state, page, each.strips[i], deadline, &found.last()[i]);
                !result.ok())
                return result;
        }
    }
    // A page of mostly new lines (another window, new text) is read whole:
    // that costs no more than reading its lines one by one, and reads better.
    if (wholePage && found[0][0].unknown.size() * 2 > found[0][0].lines.size()) {
        *readInFull = true;
        return readFull(state, page, deadline);
    }
    QList<QRect> areas;
    QList<QList<Line>> areaLines;
    for (qsizetype i = 0; i < redos.size(); ++i) {
        QList<QList<Line>> stripLines;
        for (Found& each : found[i]) {
            if (const TextReadResult result = readUnknown(state, page, deadline, &each); !result.ok())
                return result;
            stripLines.append(each.lines);
        }
        areas.append(redos[i].area);
        areaLines.append(merged(redos[i].moved, redos[i].strips, stripLines));
    }
    state.lines = merged(state.lines, areas, areaLines);
    m_lastReport.lines = int(state.lines.size());
    return TextReadResult::read(joinLines(state.lines));
}

QList<IncrementalTextReader::Line> IncrementalTextReader::merged(const QList<Line>& previous, const QList<QRect>& areas,
                                                                 const QList<QList<Line>>& areaLines)
{
    auto inside = [](const QRect& r, const Line& line) { return r.isNull() || r.intersects(line.box); };
    // Each area's lines go where the first previous line they replace was,
    // else before the first previous line below the area's top in its columns, else last.
    QList<qsizetype> at(areas.size(), previous.size());
    for (qsizetype i = 0; i < areas.size(); ++i) {
        const auto replaced = std::find_if(previous.cbegin(), previous.cend(),
                                           [&](const Line& line) { return inside(areas[i], line); });
        const auto below = std::find_if(previous.cbegin(), previous.cend(), [&](const Line& line) {
            return line.box.top() > areas[i].top() && line.box.left() <= areas[i].right()
                   && line.box.right() >= areas[i].left();
        });
        at[i] = (replaced != previous.cend() ? replaced : below) - previous.cbegin();
    }
    QList<Line> lines;
    for (qsizetype index = 0; index <= previous.size(); ++index) {
        for (qsizetype i = 0; i < areas.size(); ++i)
            if (at[i] == index)
                lines += areaLines[i];
        if (index < previous.size()
            && std::none_of(areas.cbegin(), areas.cend(), [&](const QRect& r) { return inside(r, previous[index]); }))
            lines.append(previous[index]);
    }
    return lines;
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
    if (found == m_displays.end())
        return 0;
    return found->second.cache.bytes() + found->second.text.size() * qsizetype(sizeof(QChar));
}
