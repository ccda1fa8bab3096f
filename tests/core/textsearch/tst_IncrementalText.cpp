#include "core/textsearch/IncrementalTextReader.h"
#include "core/textsearch/LineImageHash.h"

#include <QtTest>

using Kind = IncrementalTextReader::ReadKind;

namespace {

// A line of a fake screen: its text drawn at `at` as a block of pixels that
// depends only on the text, so the same text anywhere has the same pixels.
// "~" is drawn but reads as no text; a line starting with "!" fails to read.
struct FakeLine
{
    QString text;
    QPoint at;
};
using Screen = QList<FakeLine>;

QSize blockSize(const QString& text)
{
    return {int(text.size()) * 3, 5};
}

// Reads what it drew: the layout is the lines in the given order, each read
// (whole page or line by line) is counted.
class FakePage : public TextPage
{
public:
    explicit FakePage(Screen screen, QSize size = {200, 100})
        : m_screen(std::move(screen))
        , m_size(size)
        , m_gray(qsizetype(size.width()) * size.height(), char(255))
    {
        for (const FakeLine& line : std::as_const(m_screen)) {
            const QSize block = blockSize(line.text);
            for (int y = 0; y < block.height(); ++y)
                for (int x = 0; x < block.width(); ++x)
                    m_gray[(line.at.y() + y) * size.width() + line.at.x() + x] = char(
                        (line.text[x / 3].unicode() * 7 + y * 13 + x % 3) % 200);
        }
    }

    GrayPixels pixels() const override
    {
        return {reinterpret_cast<const uchar*>(m_gray.constData()), m_size.width(), m_size.height()};
    }
    TextReadResult readAll(QDeadlineTimer, QList<Line>* lines) override
    {
        ++fullReads;
        QStringList texts;
        for (const FakeLine& line : std::as_const(m_screen)) {
            lines->append({boxOf(line), textOf(line)});
            if (!textOf(line).isEmpty())
                texts.append(textOf(line));
        }
        return TextReadResult::read(texts.join('\n'));
    }
    TextReadResult findLines(const QRect& area, QDeadlineTimer, QList<QRect>* boxes) override
    {
        areas.append(area);
        for (const FakeLine& line : std::as_const(m_screen))
            if (area.isNull() || area.contains(boxOf(line)))
                boxes->append(boxOf(line).adjusted(-1, 0, 1, 1));  // the layout's boxes are a little larger
        return TextReadResult::read({});
    }
    TextReadResult readLines(const QList<QRect>& boxes, QDeadlineTimer, QStringList* texts) override
    {
        for (const QRect& box : boxes) {
            const auto line = std::find_if(m_screen.cbegin(), m_screen.cend(),
                                           [&](const FakeLine& each) { return box.contains(boxOf(each)); });
            const QString text = line == m_screen.cend() ? QString() : textOf(*line);
            if (text.startsWith('!'))
                return TextReadResult::failed("unreadable line");
            texts->append(text);
            linesRead.append(text);
        }
        return TextReadResult::read({});
    }

    int fullReads = 0;
    QStringList linesRead;
    QList<QRect> areas;  // where lines were looked for

private:
    static QRect boxOf(const FakeLine& line) { return QRect(line.at, blockSize(line.text)); }
    static QString textOf(const FakeLine& line) { return line.text == "~" ? QString() : line.text; }

    Screen m_screen;
    QSize m_size;
    QByteArray m_gray;
};

const Screen kEditor = {{"alpha beta", {10, 10}}, {"gamma", {10, 30}}, {"delta epsilon", {10, 50}}};
const Screen kWindow = {{QString("window ").repeated(8).trimmed(), {5, 20}},
                        {QString("other ").repeated(9).trimmed(), {5, 60}}};
const Screen kColumns = {
    {"menu", {10, 10}}, {"files", {10, 30}}, {"help", {10, 50}}, {"alpha beta", {100, 10}}, {"gamma", {100, 30}}};

Screen moved(Screen screen, QPoint by)
{
    for (FakeLine& line : screen)
        line.at += by;
    return screen;
}

TextReadResult readScreen(IncrementalTextReader& reader, const Screen& screen)
{
    FakePage page(screen);
    return reader.read("display-1", page, {}, QDeadlineTimer::Forever);
}

}  // namespace

// Reading a display's screenshots by what changed: identical frames, lines
// known from before (also moved), changed lines read again, full reads.
class TestIncrementalText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsWhatChanged_data()
    {
        QTest::addColumn<Screen>("before");
        QTest::addColumn<Screen>("next");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("linesRead");
        QTest::addColumn<bool>("local");  // lines looked for only around the change
        QTest::addColumn<QString>("text");

        const QString editor = "alpha beta\ngamma\ndelta epsilon";
        QTest::newRow("identical frame") << kEditor << kEditor << int(Kind::Identical) << QStringList() << true
                                         << editor;
        QTest::newRow("window moved") << kEditor << moved(kEditor, {37, 41}) << int(Kind::Lines) << QStringList()
                                      << false << editor;
        QTest::newRow("window moved a little, nothing uncovered")
            << kEditor << moved(kEditor, {4, 6}) << int(Kind::Lines) << QStringList() << true << editor;
        QTest::newRow("one line typed in")
            << kEditor << Screen{kEditor[0], {"gamma!", {10, 30}}, kEditor[2]} << int(Kind::Lines)
            << QStringList{"gamma!"} << true << "alpha beta\ngamma!\ndelta epsilon";
        QTest::newRow("scrolled by a line")
            << kEditor << Screen{{"gamma", {10, 10}}, {"delta epsilon", {10, 30}}, {"zeta", {10, 50}}}
            << int(Kind::Lines) << QStringList{"zeta"} << true << "gamma\ndelta epsilon\nzeta";
        QTest::newRow("scrolled back by a line")
            << kEditor << Screen{{"zeta", {10, 10}}, {"alpha beta", {10, 30}}, {"gamma", {10, 50}}} << int(Kind::Lines)
            << QStringList{"zeta"} << true << "zeta\nalpha beta\ngamma";
        QTest::newRow("layout order kept")
            << kEditor << Screen{{"delta epsilon", {100, 10}}, {"eta", {10, 50}}, {"alpha beta", {10, 70}}}
            << int(Kind::Lines) << QStringList{"eta"} << false << "delta epsilon\neta\nalpha beta";
        QTest::newRow("a line without text")
            << kEditor << Screen{kEditor[0], {"~", {10, 30}}, kEditor[2]} << int(Kind::Lines) << QStringList{""} << true
            << "alpha beta\ndelta epsilon";
        QTest::newRow("another window, read in full") << kEditor << kWindow << int(Kind::Full) << QStringList() << false
                                                      << kWindow[0].text + "\n" + kWindow[1].text;
        QTest::newRow("typed in the second column")
            << kColumns << (Screen(kColumns.mid(0, 4)) << FakeLine{"gamma!", {100, 30}}) << int(Kind::Lines)
            << QStringList{"gamma!"} << true << "menu\nfiles\nhelp\nalpha beta\ngamma!";
        QTest::newRow("new line in the second column")
            << kColumns << (Screen(kColumns) << FakeLine{"delta", {100, 50}}) << int(Kind::Lines)
            << QStringList{"delta"} << true << "menu\nfiles\nhelp\nalpha beta\ngamma\ndelta";
        QTest::newRow("first column changed")
            << kColumns << (Screen{{"menu", {10, 10}}, {"edit", {10, 30}}} + kColumns.mid(2)) << int(Kind::Lines)
            << QStringList{"edit"} << true << "menu\nedit\nhelp\nalpha beta\ngamma";
    }
    void readsWhatChanged()
    {
        QFETCH(Screen, before);
        QFETCH(Screen, next);
        QFETCH(int, kind);
        QFETCH(QStringList, linesRead);
        QFETCH(bool, local);
        QFETCH(QString, text);
        IncrementalTextReader reader;
        FakePage first(before), second(next);
        reader.read("display-1", first, {}, QDeadlineTimer::Forever);
        QCOMPARE(first.fullReads, 1);
        QCOMPARE(reader.read("display-1", second, {}, QDeadlineTimer::Forever).text(), text);
        QCOMPARE(int(reader.lastReport().kind), kind);
        QCOMPARE(second.linesRead, linesRead);
        QCOMPARE(second.fullReads, kind == int(Kind::Full) ? 1 : 0);
        for (const QRect& area : std::as_const(second.areas))
            QVERIFY2(!local || (!area.isNull() && area.height() < 30), "looked for lines well beyond the change");
    }

    // Nothing from before is used after a change of settings or size, a restart (wake, settings changed), or a
    // read that failed after reading some of its lines.
    void startsOverInFull_data()
    {
        QTest::addColumn<TextSearchSettings>("settings");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("restart");
        QTest::addColumn<bool>("failedBetween");
        QTest::newRow("same sequence") << TextSearchSettings{} << QSize(200, 100) << false << false;
        QTest::newRow("level changed") << TextSearchSettings{TextRecognitionLevel::Fast} << QSize(200, 100) << false
                                       << false;
        QTest::newRow("language changed")
            << TextSearchSettings{TextRecognitionLevel::Accurate, QString("deu")} << QSize(200, 100) << false << false;
        QTest::newRow("display resized") << TextSearchSettings{} << QSize(200, 120) << false << false;
        QTest::newRow("restarted") << TextSearchSettings{} << QSize(200, 100) << true << false;
        QTest::newRow("a line failed to read") << TextSearchSettings{} << QSize(200, 100) << false << true;
    }
    void startsOverInFull()
    {
        QFETCH(TextSearchSettings, settings);
        QFETCH(QSize, size);
        QFETCH(bool, restart);
        QFETCH(bool, failedBetween);
        IncrementalTextReader reader;
        readScreen(reader, kEditor);
        if (restart)
            reader.restart();
        if (failedBetween) {
            FakePage halfRead(Screen{kEditor[0], {"gamma!", {10, 30}}, {"!unreadable", {10, 50}}});
            QVERIFY(!reader.read("display-1", halfRead, {}, QDeadlineTimer::Forever).ok());
            QCOMPARE(halfRead.linesRead, QStringList{"gamma!"});
        }
        const bool continues = settings == TextSearchSettings{} && size == QSize(200, 100) && !restart
                               && !failedBetween;
        FakePage page(moved(kEditor, {0, 5}), size);
        QCOMPARE(reader.read("display-1", page, settings, QDeadlineTimer::Forever).text(),
                 "alpha beta\ngamma\ndelta epsilon");
        QCOMPARE(page.fullReads, continues ? 0 : 1);
        QCOMPARE(page.linesRead, QStringList());
    }

    // Every 20th screenshot that is not identical to the one before is read in full; identical ones don't count.
    void fullReadEveryTwentieth()
    {
        IncrementalTextReader reader;
        QList<int> fullAt;
        for (int i = 0; i < 45; ++i) {
            FakePage page(moved(kEditor, {0, (i / 2) % 30}));  // pairs of identical frames
            reader.read("display-1", page, {}, QDeadlineTimer::Forever);
            if (page.fullReads)
                fullAt.append(i);
        }
        QCOMPARE(fullAt, (QList<int>{0, 40}));
    }

    // Going back to a screen seen a little earlier costs nothing; one seen longer ago is read again.
    void recentScreens_data()
    {
        QTest::addColumn<int>("screensBetween");
        QTest::addColumn<bool>("known");
        QTest::newRow("back after one") << 1 << true;
        QTest::newRow("back after three") << 3 << true;
        QTest::newRow("back after four") << 4 << false;
    }
    void recentScreens()
    {
        QFETCH(int, screensBetween);
        QFETCH(bool, known);
        IncrementalTextReader reader;
        FakePage first(kEditor);
        reader.read("display-1", first, {}, QDeadlineTimer::Forever);
        for (int i = 1; i <= screensBetween; ++i) {
            FakePage other(Screen{{"alpha beta", {10, 10 + i}}});
            reader.read("display-1", other, {}, QDeadlineTimer::Forever);
        }
        FakePage back(kEditor);
        QCOMPARE(reader.read("display-1", back, {}, QDeadlineTimer::Forever).text(),
                 "alpha beta\ngamma\ndelta epsilon");
        QCOMPARE(reader.lastReport().kind == Kind::Identical, known);
        QCOMPARE(back.areas.isEmpty(), known);
    }

    // Displays keep their own state; a second display's screen is new to it.
    void displaysAreSeparate()
    {
        IncrementalTextReader reader;
        FakePage first(kEditor), second(kEditor), again(kEditor);
        reader.read("display-1", first, {}, QDeadlineTimer::Forever);
        reader.read("display-2", second, {}, QDeadlineTimer::Forever);
        QCOMPARE(second.fullReads, 1);
        reader.read("display-1", again, {}, QDeadlineTimer::Forever);
        QCOMPARE(reader.lastReport().kind, Kind::Identical);
    }

    // The least recently used lines go once the bound is reached; a line used again stays.
    void lineCacheBound()
    {
        const qsizetype entry = LineTextCache::cost("line 0000");
        LineTextCache cache(entry * 100);
        for (int i = 0; i < 1000; ++i) {
            cache.insert(quint64(i), QStringLiteral("line %1").arg(i, 4, 10, QChar('0')));
            QVERIFY(cache.find(0));  // keeps the first one in use
        }
        QCOMPARE(cache.count(), 100);
        QVERIFY(cache.bytes() <= entry * 100);
        QCOMPARE(*cache.find(0), "line 0000");
        QVERIFY(!cache.find(1));
        QCOMPARE(*cache.find(999), "line 0999");
        QVERIFY(!cache.find(900));
    }

    // The ink box ignores where the line is and how much background its box holds.
    void inkBoxIgnoresPositionAndMargin()
    {
        FakePage here(Screen{{"abc", {10, 10}}}), there(Screen{{"abc", {60, 33}}});
        QCOMPARE(LineImageHash::inkBox(here.pixels(), QRect(9, 10, 10, 6)), QRect(10, 10, 9, 5));
        QCOMPARE(LineImageHash::line(here.pixels(), QRect(10, 10, 9, 5)),
                 LineImageHash::line(there.pixels(), QRect(59, 32, 11, 7)));
        QVERIFY(LineImageHash::line(here.pixels(), QRect(10, 10, 9, 5))
                != LineImageHash::line(FakePage(Screen{{"abd", {10, 10}}}).pixels(), QRect(10, 10, 9, 5)));
        QVERIFY(LineImageHash::frame(here.pixels()) != LineImageHash::frame(there.pixels()));
    }
};

QTEST_GUILESS_MAIN(TestIncrementalText)
#include "tst_IncrementalText.moc"
