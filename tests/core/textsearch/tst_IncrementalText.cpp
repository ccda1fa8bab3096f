#include "core/textsearch/IncrementalTextReader.h"
#include "core/textsearch/LineImageHash.h"

#include <QtTest>

using Kind = IncrementalTextReader::ReadKind;

namespace {

// A line of a fake screen: its text drawn at `at` as a block of pixels that
// depends only on the text, so the same text anywhere has the same pixels.
// "~" is drawn but reads as no text.
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
                    m_gray[(line.at.y() + y) * size.width() + line.at.x() + x] =
                        char((line.text[x / 3].unicode() * 7 + y * 13 + x % 3) % 200);
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
    TextReadResult findLines(QDeadlineTimer, QList<QRect>* boxes) override
    {
        for (const FakeLine& line : std::as_const(m_screen))
            boxes->append(boxOf(line).adjusted(-1, 0, 1, 1));  // the layout's boxes are a little larger
        return TextReadResult::read({});
    }
    TextReadResult readLines(const QList<QRect>& boxes, QDeadlineTimer, QStringList* texts) override
    {
        for (const QRect& box : boxes) {
            for (const FakeLine& line : std::as_const(m_screen))
                if (box.contains(boxOf(line)))
                    texts->append(textOf(line));
            linesRead.append(texts->last());
        }
        return TextReadResult::read({});
    }

    int fullReads = 0;
    QStringList linesRead;

private:
    static QRect boxOf(const FakeLine& line) { return QRect(line.at, blockSize(line.text)); }
    static QString textOf(const FakeLine& line) { return line.text == "~" ? QString() : line.text; }

    Screen m_screen;
    QSize m_size;
    QByteArray m_gray;
};

const Screen kEditor = {{"alpha beta", {10, 10}}, {"gamma", {10, 20}}, {"delta epsilon", {10, 30}}};

Screen moved(Screen screen, QPoint by)
{
    for (FakeLine& line : screen)
        line.at += by;
    return screen;
}

TextReadResult readScreen(IncrementalTextReader& reader, const Screen& screen, const TextSearchSettings& settings = {},
                          QSize size = {200, 100}, QStringList* linesRead = nullptr)
{
    FakePage page(screen, size);
    const TextReadResult result = reader.read("display-1", page, settings, QDeadlineTimer::Forever);
    if (linesRead)
        *linesRead = page.linesRead;
    return result;
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
        QTest::addColumn<Screen>("next");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("linesRead");
        QTest::addColumn<QString>("text");

        QTest::newRow("identical frame") << kEditor << int(Kind::Identical) << QStringList()
                                         << "alpha beta\ngamma\ndelta epsilon";
        QTest::newRow("window moved") << moved(kEditor, {37, 41}) << int(Kind::Lines) << QStringList()
                                      << "alpha beta\ngamma\ndelta epsilon";
        QTest::newRow("one line typed in")
            << Screen{kEditor[0], {"gamma!", {10, 20}}, kEditor[2]} << int(Kind::Lines) << QStringList{"gamma!"}
            << "alpha beta\ngamma!\ndelta epsilon";
        QTest::newRow("scrolled by a line")
            << Screen{{"gamma", {10, 10}}, {"delta epsilon", {10, 20}}, {"zeta", {10, 30}}} << int(Kind::Lines)
            << QStringList{"zeta"} << "gamma\ndelta epsilon\nzeta";
        QTest::newRow("layout order kept")
            << Screen{{"delta epsilon", {100, 10}}, {"eta", {10, 50}}, {"alpha beta", {10, 70}}} << int(Kind::Lines)
            << QStringList{"eta"} << "delta epsilon\neta\nalpha beta";
        QTest::newRow("a line without text") << Screen{kEditor[0], {"~", {10, 20}}, kEditor[2]} << int(Kind::Lines)
                                             << QStringList{""} << "alpha beta\ndelta epsilon";
    }
    void readsWhatChanged()
    {
        QFETCH(Screen, next);
        QFETCH(int, kind);
        QFETCH(QStringList, linesRead);
        QFETCH(QString, text);
        IncrementalTextReader reader;
        QCOMPARE(readScreen(reader, kEditor).text(), "alpha beta\ngamma\ndelta epsilon");
        QCOMPARE(reader.lastReport().kind, Kind::Full);
        QStringList read;
        const TextReadResult result = readScreen(reader, next, {}, {200, 100}, &read);
        QCOMPARE(result.text(), text);
        QCOMPARE(int(reader.lastReport().kind), kind);
        QCOMPARE(read, linesRead);
    }

    // Nothing from before is used after a change of settings or size, or a restart (wake, settings changed).
    void startsOverInFull_data()
    {
        QTest::addColumn<TextSearchSettings>("settings");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("restart");
        QTest::newRow("same sequence") << TextSearchSettings{} << QSize(200, 100) << false;
        QTest::newRow("level changed") << TextSearchSettings{TextRecognitionLevel::Fast} << QSize(200, 100) << false;
        QTest::newRow("language changed")
            << TextSearchSettings{TextRecognitionLevel::Accurate, QString("deu")} << QSize(200, 100) << false;
        QTest::newRow("display resized") << TextSearchSettings{} << QSize(200, 120) << false;
        QTest::newRow("restarted") << TextSearchSettings{} << QSize(200, 100) << true;
    }
    void startsOverInFull()
    {
        QFETCH(TextSearchSettings, settings);
        QFETCH(QSize, size);
        QFETCH(bool, restart);
        IncrementalTextReader reader;
        readScreen(reader, kEditor);
        if (restart)
            reader.restart();
        const bool continues = settings == TextSearchSettings{} && size == QSize(200, 100) && !restart;
        FakePage page(moved(kEditor, {0, 5}), size);
        QCOMPARE(reader.read("display-1", page, settings, QDeadlineTimer::Forever).text(),
                 "alpha beta\ngamma\ndelta epsilon");
        QCOMPARE(page.fullReads, continues ? 0 : 1);
    }

    // Every 20th screenshot that is not identical to the one before is read in full; identical ones don't count.
    void fullReadEveryTwentieth()
    {
        IncrementalTextReader reader;
        QList<int> fullAt;
        for (int i = 0; i < 45; ++i) {
            FakePage page(moved(kEditor, {0, (i / 2) % 3}));  // pairs of identical frames
            reader.read("display-1", page, {}, QDeadlineTimer::Forever);
            if (page.fullReads)
                fullAt.append(i);
        }
        QCOMPARE(fullAt, (QList<int>{0, 40}));
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
