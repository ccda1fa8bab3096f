#include "support/MomentraRun.h"
#include "support/TestHome.h"
#include "support/TextSearchFixtures.h"

#include "core/textsearch/TextMetadata.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <csignal>

class TestOcrCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsScreenshotsThenFindsThemByWord();
    void searchIgnoresCaseAndAccentsAndNeedsEveryWord();
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
    const MomentraRun ocr = MomentraRun::of({QStringLiteral("ocr"), QStringLiteral("--level"), QStringLiteral("fast")});
    QCOMPARE(ocr.exitCode, 0);
    QCOMPARE(ocr.out, QStringLiteral("Recognized text in 2 screenshots.\n"));  // no progress bar off a terminal
    QCOMPARE(TextMetadata::readMarker(m_morning), std::optional<QString>(QStringLiteral("fast")));

    const MomentraRun search = MomentraRun::of({QStringLiteral("search"), QStringLiteral("invoice")});
    QCOMPARE(search.exitCode, 0);
    const QStringList lines = search.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], m_evening);  // newest first
    QCOMPARE(lines[1].trimmed(), QStringLiteral("Invoice for London"));
    QCOMPARE(lines[2], m_morning);
    QCOMPARE(lines[3].trimmed(), QStringLiteral("Quarterly invoice"));
}

void TestOcrCommand::searchIgnoresCaseAndAccentsAndNeedsEveryWord()
{
    const QString other = m_day + QStringLiteral("/Momentra_2024-05-01_12-00-00.jpeg");
    TextSearchFixtures::writeNonImage(other);
    QVERIFY(TextMetadata::write(QStringLiteral("Notes\nRésumé draft for the CAFÉ"), other,
                                TextRecognitionLevel::Accurate).ok());
    MomentraRun found = MomentraRun::of({QStringLiteral("search"), QStringLiteral("resume"), QStringLiteral("cafe")});
    QCOMPARE(found.exitCode, 0);
    QCOMPARE(found.out, other + QStringLiteral("\n    Résumé draft for the CAFÉ\n"));
    const MomentraRun missing =
        MomentraRun::of({QStringLiteral("search"), QStringLiteral("resume"), QStringLiteral("invoice")});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.out.isEmpty());
    QCOMPARE(MomentraRun::of({QStringLiteral("search")}).exitCode, 2);
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
    const MomentraRun outcome = MomentraRun::of(arguments);
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
