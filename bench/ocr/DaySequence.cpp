#include "DaySequence.h"

#include "ScreenRenderer.h"
#include "WordRecall.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kPanelHeight = 28;

QFont font(const char* family, int pixelSize, bool bold = false)
{
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// Draws `lines` from `top` at `lineHeight` apart inside `area`; the words of
// the lines drawn whole go to `words`.
void drawLines(QPainter& painter, const QRect& area, const QStringList& lines, int top, int lineHeight,
               QStringList* words)
{
    const QFontMetrics metrics(painter.font());
    painter.save();
    painter.setClipRect(area);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int baseline = top + int(i) * lineHeight + metrics.ascent();
        if (baseline + metrics.descent() < area.top() || baseline - metrics.ascent() > area.bottom())
            continue;
        painter.drawText(area.left(), baseline, lines[i]);
        if (baseline - metrics.ascent() >= area.top() && baseline + metrics.descent() <= area.bottom())
            *words += WordRecall::tokens(lines[i]);
    }
    painter.restore();
}

}  // namespace

DaySequence::DaySequence(int seed)
    : m_random(quint32(seed))
{
    for (int i = 0; i < 30; ++i)
        m_editorLines.append(randomLine(3 + m_random.bounded(7)));
    m_editorLines.append(QString());
    m_typing = randomLine(8);
    for (int i = 0; i < 60; ++i)
        m_terminalLines.append(QStringLiteral("$ ") + randomLine(2 + m_random.bounded(8)));
    for (int i = 0; i < 400; ++i)
        m_pageLines.append(i % 9 == 8 ? QString() : randomLine(10 + m_random.bounded(5)));
}

QString DaySequence::kindName(Kind kind)
{
    static const char* const names[] = {"first", "identical", "typing", "scroll", "switch", "drag"};
    return QString::fromLatin1(names[int(kind)]);
}

QString DaySequence::randomLine(int words)
{
    QStringList line;
    for (int i = 0; i < words; ++i)
        line.append(ScreenRenderer::randomWord(m_random));
    return line.join(QLatin1Char(' '));
}

void DaySequence::drawEditor(QPainter& painter, const QRect& area, QStringList* words) const
{
    painter.fillRect(area, QColor(250, 250, 250));
    painter.fillRect(QRect(area.topLeft(), QSize(area.width(), 34)), QColor(232, 232, 236));
    painter.setPen(QColor(50, 50, 60));
    painter.setFont(font("DejaVu Sans", 14, true));
    drawLines(painter, area.adjusted(16, 0, 0, 0), {QStringLiteral("notes draft editor")}, area.top() + 8, 20, words);
    painter.setPen(QColor(30, 30, 30));
    painter.setFont(font("DejaVu Sans Mono", 15));
    const QRect text = area.adjusted(24, 50, -16, -8);
    drawLines(painter, text, m_editorLines, text.top(), 22, words);
    // The text cursor after the last character.
    const QFontMetrics metrics(painter.font());
    const int cursorX = text.left() + metrics.horizontalAdvance(m_editorLines.last()) + 1;
    const int cursorY = text.top() + int(m_editorLines.size() - 1) * 22;
    if (text.contains(QPoint(cursorX, cursorY + 18)))
        painter.fillRect(QRect(cursorX, cursorY, 2, 19), QColor(30, 30, 30));
}

void DaySequence::drawTerminal(QPainter& painter, const QRect& area, QStringList* words) const
{
    painter.fillRect(area, QColor(30, 31, 34));
    painter.setPen(QColor(220, 222, 226));
    painter.setFont(font("DejaVu Sans Mono", 14));
    const QRect text = area.adjusted(12, 8, -12, -8);
    const int rows = text.height() / 20;
    const QStringList visible = m_terminalLines.mid(qMax<qsizetype>(0, m_terminalLines.size() - rows));
    drawLines(painter, text, visible, text.top(), 20, words);
}

void DaySequence::drawBrowser(QPainter& painter, const QRect& area, QStringList* words) const
{
    painter.fillRect(area, QColor(255, 255, 255));
    painter.fillRect(QRect(area.topLeft(), QSize(area.width(), 40)), QColor(236, 236, 240));
    painter.setPen(QColor(40, 40, 40));
    painter.setFont(font("DejaVu Sans", 14));
    drawLines(painter, area.adjusted(20, 0, 0, 0), {QStringLiteral("https example org journal article")},
              area.top() + 11, 20, words);
    painter.setPen(QColor(20, 20, 20));
    painter.setFont(font("DejaVu Serif", 16));
    const QRect text = area.adjusted(qMax(40, (area.width() - 1500) / 2), 56, -40, 0);
    drawLines(painter, text, m_pageLines, text.top() - m_pageScroll, 25, words);
}

DaySequence::Frame DaySequence::draw(Kind kind)
{
    Frame frame;
    frame.kind = kind;
    frame.image = QImage(kWidth, kHeight, QImage::Format_ARGB32);
    QPainter painter(&frame.image);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(QRect(0, 0, kWidth, kPanelHeight), QColor(20, 20, 22));
    painter.setPen(QColor(235, 235, 235));
    painter.setFont(font("DejaVu Sans", 13));
    drawLines(painter, QRect(12, 0, kWidth, kPanelHeight),
              {QStringLiteral("Activities    Editor    Terminal    Browser")}, 6, 16, &frame.words);
    QRect area(0, kPanelHeight, kWidth, kHeight - kPanelHeight);
    if (m_windowed) {
        painter.fillRect(area, QColor(46, 72, 110));
        area = QRect(m_windowAt, QSize(1100, 700)) & area;
    }
    switch (m_front) {
    case App::Editor:
        drawEditor(painter, area, &frame.words);
        break;
    case App::Terminal:
        drawTerminal(painter, area, &frame.words);
        break;
    case App::Browser:
        drawBrowser(painter, area, &frame.words);
        break;
    }
    return frame;
}

DaySequence::Frame DaySequence::typing()
{
    if (m_front != App::Editor || m_windowed)
        return switchTo(App::Editor);
    const int count = 3 + m_random.bounded(4);
    QString& line = m_editorLines.last();
    line += m_typing.mid(line.size(), count);
    if (line.size() >= m_typing.size()) {
        m_editorLines.append(QString());
        if (m_editorLines.size() > 44)
            m_editorLines.removeFirst();
        m_typing = randomLine(8);
    }
    return draw(Kind::Typing);
}

DaySequence::Frame DaySequence::scrollTerminal()
{
    if (m_front != App::Terminal || m_windowed)
        return switchTo(App::Terminal);
    for (int i = 0, n = 1 + m_random.bounded(4); i < n; ++i)
        m_terminalLines.append(QStringLiteral("$ ") + randomLine(2 + m_random.bounded(8)));
    if (m_terminalLines.size() > 200)
        m_terminalLines.remove(0, m_terminalLines.size() - 200);
    return draw(Kind::Scroll);
}

DaySequence::Frame DaySequence::scrollBrowser()
{
    if (m_front != App::Browser || m_windowed)
        return switchTo(App::Browser);
    m_pageScroll += 60 + m_random.bounded(120);
    if (m_pageScroll > int(m_pageLines.size()) * 25 - 2000) {
        m_pageLines = m_pageLines.mid(200);  // an endless page: new text further down
        m_pageScroll -= 200 * 25;
        for (int i = 0; i < 200; ++i)
            m_pageLines.append(i % 9 == 8 ? QString() : randomLine(10 + m_random.bounded(5)));
    }
    return draw(Kind::Scroll);
}

DaySequence::Frame DaySequence::switchTo(App app)
{
    m_front = app;
    m_windowed = false;
    return draw(Kind::Switch);
}

DaySequence::Frame DaySequence::drag()
{
    if (!m_windowed) {
        m_windowed = true;
        m_windowAt = QPoint(200 + m_random.bounded(100), 120 + m_random.bounded(60));
        return draw(Kind::Switch);
    }
    m_windowAt += QPoint(40 + m_random.bounded(40), 15 + m_random.bounded(30));
    if (m_windowAt.x() > 700 || m_windowAt.y() > 330)
        m_windowAt = QPoint(60 + m_random.bounded(100), 60 + m_random.bounded(60));
    return draw(Kind::Drag);
}

DaySequence::Frame DaySequence::idle()
{
    return draw(Kind::Identical);
}

QList<DaySequence::Frame> DaySequence::recordedDay()
{
    QList<Frame> day;
    for (int i = 0; i < 60; ++i)
        day.append(next(i));
    day.first().kind = Kind::First;
    return day;
}

DaySequence::Frame DaySequence::next(int index)
{
    // One hour of the day, a frame a minute: writing, idle, the terminal,
    // reading, going back and forth, moving a window.
    const int minute = index % 60;
    if (minute <= 10 || minute >= 56)
        return typing();
    if (minute <= 14 || (minute >= 53 && minute <= 55))
        return idle();
    if (minute <= 23)
        return scrollTerminal();
    if (minute <= 33)
        return scrollBrowser();
    if (minute <= 45)
        return minute % 3 == 0   ? switchTo(App::Editor)
               : minute % 3 == 1 ? switchTo(App::Terminal)
                                 : switchTo(App::Browser);
    return drag();
}
