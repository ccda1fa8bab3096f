#include "support/MomentraRun.h"
#include "support/TestHome.h"
#include "support/TimelapseTestCodec.h"
#include "support/TimelapseVideoProbe.h"

#include <QDir>
#include <QtTest>

// `momentra export` as a user runs it, against a library in a temporary home.
class ExportCommandTest : public QObject
{
    Q_OBJECT

private:
    TestHome m_home;

    QString library() const { return m_home.picturesFolder(); }
    void addShot(const QString& name)
    {
        QDir(library()).mkpath("2024-05-01");
        TimelapseTestCodec::writeImage(library() + "/2024-05-01/Momentra_2024-05-01_" + name + ".jpeg", {64, 48}, Qt::darkGreen);
    }
    static MomentraRun run(const QStringList& arguments)
    {
        return MomentraRun::of(QStringList{QStringLiteral("export")} + arguments);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(TimelapseVideoProbe::missingTools().isEmpty(), qPrintable(TimelapseVideoProbe::missingTools())); }

    void init() { QDir(library()).removeRecursively(); }

    void exportsDaysAndPrintsTheVideos()
    {
        addShot("10-00-00");
        addShot("10-00-00_Display2");
        const MomentraRun result = run({"2024-05-02", "2024-05-01", "--fps", "6"});
        QCOMPARE(result.exitCode, 0);
        const QStringList videos = {library() + "/Momentra_2024-05-01.mp4", library() + "/Momentra_2024-05-01_Display2.mp4"};
        QCOMPARE(result.out.split('\n', Qt::SkipEmptyParts), videos);
        QCOMPARE(result.err.trimmed(), QStringLiteral("Exported 2 videos. Thursday, May 2, 2024 had no screenshots left."));
        QCOMPARE(TimelapseVideoProbe::probe(videos[0]).frameRate, QStringLiteral("6/1"));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("not a day") << QStringList{"2024-13-01"};
        QTest::newRow("zero fps") << QStringList{"today", "--fps", "0"};
        QTest::newRow("fps text") << QStringList{"--fps=fast"};
    }

    void badInput()
    {
        QFETCH(QStringList, arguments);
        const MomentraRun result = run(arguments);
        QCOMPARE(result.exitCode, 2);
        QVERIFY(result.err.startsWith("momentra: ") && result.out.isEmpty());
    }

    void nothingToday()
    {
        const MomentraRun result = run({});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.err.trimmed(), QStringLiteral("momentra: No screenshots from today yet."));
    }
};

QTEST_GUILESS_MAIN(ExportCommandTest)
#include "tst_ExportCommand.moc"
