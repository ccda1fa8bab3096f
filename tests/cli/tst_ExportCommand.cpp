#include "support/MomentraRun.h"
#include "support/TestHome.h"
#include "support/TimelapseTestCodec.h"
#include "support/TimelapseVideoProbe.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <csignal>

// `momentra export` as a user runs it, against a library in a temporary home.
class ExportCommandTest : public QObject
{
    Q_OBJECT

private:
    TestHome m_home;

    QString library() const { return m_home.picturesFolder(); }
    QString addShot(const QString& day, const QString& time, int display = 1)
    {
        QDir(library()).mkpath(day);
        const QString path = QStringLiteral("%1/%2/Momentra_%2_%3%4.jpeg")
                                 .arg(library(), day, time,
                                      display == 1 ? QString() : QStringLiteral("_Display%1").arg(display));
        TimelapseTestCodec::writeImage(path, {64, 48}, Qt::darkGreen);
        return path;
    }
    static MomentraRun run(const QStringList& arguments)
    {
        return MomentraRun::of(QStringList{QStringLiteral("export")} + arguments);
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString missing = TimelapseVideoProbe::missingTools();
        if (!missing.isEmpty())
            QFAIL(qPrintable(missing));
    }

    void init() { QDir(library()).removeRecursively(); }

    void exportsDaysAndPrintsTheVideos()
    {
        addShot("2024-05-01", "10-00-00");
        addShot("2024-05-01", "10-00-05");
        addShot("2024-05-01", "10-00-00", 2);
        const MomentraRun result = run({"2024-05-02", "2024-05-01", "--fps", "6"});
        QCOMPARE(result.exitCode, 0);
        const QStringList videos = {library() + "/Momentra_2024-05-01.mp4", library() + "/Momentra_2024-05-01_Display2.mp4"};
        QCOMPARE(result.out.split('\n', Qt::SkipEmptyParts), videos);
        QCOMPARE(result.err.trimmed(), QStringLiteral("Exported 2 videos. Thursday, May 2, 2024 had no screenshots left."));
        const auto facts = TimelapseVideoProbe::probe(videos[0]);
        QCOMPARE(facts.frames, 2);
        QCOMPARE(facts.frameRate, QStringLiteral("6/1"));
        // The library's own decoder reads every screenshot format it writes.
        QCOMPARE(facts.size, QSize(64, 48));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("not a day") << QStringList{"2024-13-01"};
        QTest::newRow("word") << QStringList{"tomorrow"};
        QTest::newRow("zero fps") << QStringList{"today", "--fps", "0"};
        QTest::newRow("fps without number") << QStringList{"--fps"};
        QTest::newRow("fps text") << QStringList{"--fps=fast"};
    }

    void badInput()
    {
        QFETCH(QStringList, arguments);
        const MomentraRun result = run(arguments);
        QCOMPARE(result.exitCode, 2);
        QVERIFY(result.err.startsWith("momentra: "));
        QVERIFY(result.out.isEmpty());
    }

    void nothingToday()
    {
        const MomentraRun result = run({});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.err.trimmed(), QStringLiteral("momentra: No screenshots from today yet."));
    }

    void interruptCancelsAndRemovesThePartialVideo()
    {
        // Many copies of one full-size screenshot: seconds of work.
        QDir(library()).mkpath("2024-05-01");
        const QString original = library() + "/frame.jpeg";
        TimelapseTestCodec::writeImage(original, {1920, 1080}, Qt::darkBlue);
        for (int i = 0; i < 600; ++i) {
            QVERIFY(QFile::link(original, QStringLiteral("%1/2024-05-01/Momentra_2024-05-01_10-%2-%3.jpeg")
                                              .arg(library())
                                              .arg(i / 60, 2, 10, QLatin1Char('0'))
                                              .arg(i % 60, 2, 10, QLatin1Char('0'))));
        }
        QProcess process;
        process.start(QStringLiteral(MOMENTRA_EXECUTABLE), {QStringLiteral("export"), QStringLiteral("2024-05-01")});
        QVERIFY(process.waitForStarted());
        const QString video = library() + "/Momentra_2024-05-01.mp4";
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(video), 20000);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()).trimmed(), QStringLiteral("Cancelled."));
        QVERIFY(process.readAllStandardOutput().isEmpty());
        QVERIFY(!QFile::exists(video));
    }
};

QTEST_GUILESS_MAIN(ExportCommandTest)
#include "tst_ExportCommand.moc"
