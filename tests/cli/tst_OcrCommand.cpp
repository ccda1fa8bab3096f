#include "support/TestHome.h"
#include "support/TextSearchFixtures.h"

#include "core/textsearch/TextMetadata.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome momentra(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(MOMENTRA_EXECUTABLE), arguments);
    if (!process.waitForFinished(300000))
        process.kill();
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

class TestOcrCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsScreenshotsThenFindsThemByWord();
    void searchIgnoresCaseAndAccentsAndNeedsEveryWord();
    void readsAnotherFolder();
    void badInput_data();
    void badInput();
    void interruptStopsAfterTheCurrentFile();

private:
    TestHome m_home;
    QString m_day;
    QString m_morning, m_evening;
};

void TestOcrCommand::initTestCase()
{
    m_day = m_home.picturesFolder() + QStringLiteral("/2024-05-01");
    QVERIFY(QDir().mkpath(m_day));
    m_morning = m_day + QStringLiteral("/Momentra_2024-05-01_09-00-00.png");
    m_evening = m_day + QStringLiteral("/Momentra_2024-05-01_18-30-00_Display2.png");
    QVERIFY(TextSearchFixtures::writeImage(m_morning, {QStringLiteral("Quarterly invoice"), QStringLiteral("Garden")}));
    QVERIFY(TextSearchFixtures::writeImage(m_evening, {QStringLiteral("Invoice for London")}, true));
}

void TestOcrCommand::readsScreenshotsThenFindsThemByWord()
{
    const Outcome ocr = momentra({QStringLiteral("ocr"), QStringLiteral("--level"), QStringLiteral("fast")});
    QCOMPARE(ocr.exitCode, 0);
    QCOMPARE(ocr.out, QStringLiteral("Recognized text in 2 screenshots.\n"));  // no progress bar off a terminal
    QCOMPARE(TextMetadata::readMarker(m_morning), std::optional<QString>(QStringLiteral("fast")));

    const Outcome search = momentra({QStringLiteral("search"), QStringLiteral("invoice")});
    QCOMPARE(search.exitCode, 0);
    const QStringList lines = search.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], m_evening);  // newest first
    QCOMPARE(lines[1].trimmed(), QStringLiteral("Invoice for London"));
    QCOMPARE(lines[2], m_morning);
    QCOMPARE(lines[3].trimmed(), QStringLiteral("Quarterly invoice"));

    // Nothing left to read: a second run reads nothing.
    QCOMPARE(momentra({QStringLiteral("ocr"), QStringLiteral("--level"), QStringLiteral("fast")}).out,
             QStringLiteral("Recognized text in 0 screenshots.\n"));
}

void TestOcrCommand::searchIgnoresCaseAndAccentsAndNeedsEveryWord()
{
    const QString other = m_day + QStringLiteral("/Momentra_2024-05-01_12-00-00.jpeg");
    TextSearchFixtures::writeNonImage(other);
    QVERIFY(TextMetadata::write(QStringLiteral("Notes\nRésumé draft for the CAFÉ"), other,
                                TextRecognitionLevel::Accurate).ok());
    Outcome found = momentra({QStringLiteral("search"), QStringLiteral("resume"), QStringLiteral("cafe")});
    QCOMPARE(found.exitCode, 0);
    QCOMPARE(found.out, other + QStringLiteral("\n    Résumé draft for the CAFÉ\n"));
    const Outcome missing = momentra({QStringLiteral("search"), QStringLiteral("resume"), QStringLiteral("invoice")});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.out.isEmpty());
    QCOMPARE(momentra({QStringLiteral("search")}).exitCode, 2);
}

void TestOcrCommand::readsAnotherFolder()
{
    const QString desktop = m_home.path() + QStringLiteral("/Desktop");
    QVERIFY(TextSearchFixtures::writeImage(desktop + QStringLiteral("/note.png"), {QStringLiteral("Harbor ticket")}));
    QVERIFY(TextSearchFixtures::writeNonImage(desktop + QStringLiteral("/readme.txt")));
    const Outcome ocr = momentra({QStringLiteral("ocr"), desktop, QStringLiteral("--level"), QStringLiteral("accurate")});
    QCOMPARE(ocr.exitCode, 0);
    QCOMPARE(ocr.out, QStringLiteral("Recognized text in 1 image in \u201cDesktop\u201d.\n"));
    QVERIFY(TextMetadata::readText(desktop + QStringLiteral("/note.png"))->contains(QLatin1String("Harbor")));
    QCOMPARE(TextMetadata::readMarker(desktop + QStringLiteral("/note.png")),
             std::optional<QString>(QStringLiteral("accurate")));
}

void TestOcrCommand::badInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown level") << QStringList{"ocr", "--level", "slow"};
    QTest::newRow("level without value") << QStringList{"ocr", "--level"};
    QTest::newRow("language not installed") << QStringList{"ocr", "--language", "xx_none"};
    QTest::newRow("not a folder") << QStringList{"ocr", "/nonexistent/folder"};
    QTest::newRow("unknown option") << QStringList{"ocr", "--fast"};
}

void TestOcrCommand::badInput()
{
    QFETCH(QStringList, arguments);
    const Outcome outcome = momentra(arguments);
    QCOMPARE(outcome.exitCode, 2);
    QVERIFY(outcome.err.startsWith(QLatin1String("momentra: ")));
}

void TestOcrCommand::interruptStopsAfterTheCurrentFile()
{
    const QString folder = m_home.path() + QStringLiteral("/Many");
    QVERIFY(QDir().mkpath(folder));
    QStringList lines;  // a page that takes a moment to read
    for (int line = 0; line < 30; ++line)
        lines.append(QStringLiteral("walnut pepper harbor %1 ticket garden journey monitor schedule").arg(line));
    QStringList images;
    for (int i = 0; i < 12; ++i) {
        images.append(folder + QStringLiteral("/%1.png").arg(i, 2, 10, QLatin1Char('0')));
        QVERIFY(TextSearchFixtures::renderText(lines, i % 2, QSize(900, 900), 16).save(images.last()));
    }
    QProcess process;
    process.start(QStringLiteral(MOMENTRA_EXECUTABLE), {QStringLiteral("ocr"), folder});
    QVERIFY(process.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return TextMetadata::readMarker(images[0]).has_value(); }, 400000));
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(400000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(out.startsWith(QLatin1String("Stopped after ")), qPrintable(out));
    int read = 0;
    for (const QString& image : images)
        read += TextMetadata::readMarker(image).has_value();
    QVERIFY2(read < images.size(), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("Stopped after %1 image").arg(read)), qPrintable(out));
}

QTEST_MAIN(TestOcrCommand)
#include "tst_OcrCommand.moc"
