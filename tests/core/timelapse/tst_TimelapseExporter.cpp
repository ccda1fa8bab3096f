#include "core/timelapse/TimelapseExporter.h"
#include "media/FfmpegVideoWriter.h"
#include "support/TimelapseTestCodec.h"
#include "support/TimelapseVideoProbe.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString shot(const QString& time, int display = 1)
{
    return QStringLiteral("Momentra_") + time + (display == 1 ? QString() : QStringLiteral("_Display%1").arg(display)) + QStringLiteral(".jpeg");
}

bool isNear(const QColor& actual, const QColor& expected, int tolerance)
{
    return std::abs(actual.red() - expected.red()) <= tolerance && std::abs(actual.green() - expected.green()) <= tolerance
           && std::abs(actual.blue() - expected.blue()) <= tolerance;
}

}  // namespace

class TimelapseExporterTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::shared_ptr<TimelapseTestCodec> m_codec;
    std::unique_ptr<TimelapseExporter> m_exporter;
    QList<TimelapseProgress> m_reports;

    QString library() const { return m_root->path(); }
    QString day(const QString& name)
    {
        QDir(library()).mkpath(name);
        return library() + QLatin1Char('/') + name;
    }
    void addShot(const QString& dayName, const QString& time, int display = 1, QSize size = {64, 48}, const QColor& colour = Qt::blue)
    {
        TimelapseTestCodec::writeImage(day(dayName) + QLatin1Char('/') + shot(dayName + QLatin1Char('_') + time, display), size, colour);
    }
    TimelapseExporter::Outcome run(const QStringList& days, int fps = 12, TimelapseExporter::CancelPredicate isCancelled = [] { return false; })
    {
        QList<QUrl> folders;
        for (const QString& name : days)
            folders.append(QUrl::fromLocalFile(library() + QLatin1Char('/') + name));
        m_reports.clear();
        return m_exporter->exportDays(folders, fps, isCancelled, [this](const TimelapseProgress& p) { m_reports.append(p); });
    }
    static QStringList fileNames(const QList<QUrl>& urls)
    {
        QStringList names;
        for (const QUrl& url : urls)
            names.append(url.fileName());
        return names;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(TimelapseVideoProbe::missingTools().isEmpty(), qPrintable(TimelapseVideoProbe::missingTools())); }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        m_codec = std::make_shared<TimelapseTestCodec>();
        m_exporter = std::make_unique<TimelapseExporter>(m_codec, [] { return std::make_unique<FfmpegVideoWriter>(); });
    }

    void framesByDisplay_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("display");  // 0: ignored
        QTest::newRow("second display") << "Momentra_2024-05-01_10-00-00_Display2.heic" << 2;
        QTest::newRow("empty number") << "Momentra_2024-05-01_10-00-00_Display.jpeg" << 0;
        QTest::newRow("impossible time") << "Momentra_2024-05-01_25-00-00.png" << 0;
        QTest::newRow("marker in prefix") << "Momentra_Display2" << 0;
    }

    void framesByDisplay()
    {
        QFETCH(QString, name);
        QFETCH(int, display);
        const QString folder = day(QStringLiteral("2024-05-01"));
        QVERIFY(QFile(folder + QLatin1Char('/') + name).open(QIODevice::WriteOnly));
        const auto frames = TimelapseExporter::framesByDisplay(QUrl::fromLocalFile(folder));
        QCOMPARE(frames.keys(), display ? QList<int>{display} : QList<int>{});
        if (display)
        QCOMPARE(frames.value(display).first().timestamp, QDateTime(QDate(2024, 5, 1), QTime(10, 0)));
    }

    void fitRect_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("narrower") << QSize(64, 48) << QSize(32, 32) << QRect(8, 0, 48, 48);
        QTest::newRow("half pixel width") << QSize(5, 2) << QSize(1, 1) << QRect(2, 0, 2, 2);  // (5-2)/2 = 1.5 → 2
        QTest::newRow("too thin to draw") << QSize(1920, 1080) << QSize(10000, 1) << QRect(0, 540, 1920, 0);
        QTest::newRow("empty image") << QSize(64, 48) << QSize(0, 10) << QRect();
    }

    void fitRect()
    {
        QFETCH(QSize, frame);
        QFETCH(QSize, image);
        QTEST(TimelapseExporter::fitRect(frame, image), "expected");
    }

    void twoDisplaysGiveTwoVideos()
    {
        addShot("2024-05-01", "10-00-00");
        addShot("2024-05-01", "10-00-00", 2);
        addShot("2024-05-01", "10-01-00");
        addShot("2024-05-01", "10-01-00", 2);
        addShot("2024-05-01", "10-02-00", 2);

        const auto result = std::get<TimelapseExportResult>(run({"2024-05-01"}));
        QCOMPARE(fileNames(result.outputURLs),
                 QStringList({"Momentra_2024-05-01.mp4", "Momentra_2024-05-01_Display2.mp4"}));
        const auto first = TimelapseVideoProbe::probe(result.outputURLs[0].toLocalFile());
        QCOMPARE(first.codec, QStringLiteral("h264"));
        QCOMPARE(first.pixelFormat, QStringLiteral("yuv420p"));
        QCOMPARE(first.size, QSize(64, 48));
        QCOMPARE(first.frames, 2);
        QCOMPARE(TimelapseVideoProbe::probe(result.outputURLs[1].toLocalFile()).frames, 3);
        // Videos are private like the screenshots they come from.
        QCOMPARE(QFile::permissions(result.outputURLs[0].toLocalFile()) & 0x0077, QFileDevice::Permissions());
    }

    void severalDaysMakeOneVideoWithLabelAndSkippedDays()
    {
        addShot("2024-05-03", "09-00-00");
        addShot("2024-05-01", "10-00-00");
        addShot("2024-05-01", "08-00-00");
        day("2024-05-02");
        const auto result = std::get<TimelapseExportResult>(run({"2024-05-03", "2024-05-02", "2024-05-01"}, 0));
        QCOMPARE(fileNames(result.outputURLs), QStringList{"Momentra_2024-05-01_to_2024-05-03.mp4"});
        QCOMPARE(result.skippedDays, QStringList{"2024-05-02"});
        const auto facts = TimelapseVideoProbe::probe(result.outputURLs[0].toLocalFile());
        QCOMPARE(facts.frames, 3);
        QCOMPARE(facts.frameRate, QStringLiteral("1/1"));  // below one is one
    }

    void existingNamesGetAttemptNumberForAllVideos()
    {
        addShot("2024-05-01", "10-00-00");
        addShot("2024-05-01", "10-00-00", 2);
        QFile taken(library() + "/Momentra_2024-05-01_Display2.mp4");
        QVERIFY(taken.open(QIODevice::WriteOnly) && taken.write("keep me") == 7);
        taken.close();

        auto result = std::get<TimelapseExportResult>(run({"2024-05-01"}));
        QCOMPARE(fileNames(result.outputURLs),
                 QStringList({"Momentra_2024-05-01 2.mp4", "Momentra_2024-05-01_Display2 2.mp4"}));
        QVERIFY(taken.open(QIODevice::ReadOnly));
        QCOMPARE(taken.readAll(), QByteArray("keep me"));
        FfmpegVideoWriter writer;  // nor does the writer itself replace a file
        QVERIFY(!writer.create(taken.fileName(), 64, 48));
        QCOMPARE(QFileInfo(taken.fileName()).size(), 7);
    }

    void corruptFirstFileGivesNoFrameAndNoGap()
    {
        QFile corrupt(day("2024-05-01") + "/" + shot("2024-05-01_09-00-00"));
        QVERIFY(corrupt.open(QIODevice::WriteOnly) && corrupt.write("\xff\xd8 this is not a JPEG") > 0);
        corrupt.close();
        addShot("2024-05-01", "10-00-00", 1, {80, 60});
        addShot("2024-05-01", "11-00-00", 1, {80, 60});
        const auto result = std::get<TimelapseExportResult>(run({"2024-05-01"}, 2));
        const auto facts = TimelapseVideoProbe::probe(result.outputURLs[0].toLocalFile());
        QCOMPARE(facts.size, QSize(80, 60));
        QCOMPARE(facts.frames, 2);
        QVERIFY2(std::abs(facts.duration - 1.0) < 0.05, qPrintable(QString::number(facts.duration)));
        QCOMPARE(m_reports.last().completedFrames, 3);  // skipped frames count as handled
    }

    void noDecodableFrames()
    {
        QVERIFY(QFile(day("2024-05-01") + "/" + shot("2024-05-01_09-00-00")).open(QIODevice::WriteOnly));
        QCOMPARE(std::get<TimelapseError>(run({"2024-05-01"})), TimelapseError::noFrames(1));
        QVERIFY(!QFile::exists(library() + "/Momentra_2024-05-01.mp4"));
    }

    void oddSizesAreRoundedUpWithBlackEdge()
    {
        addShot("2024-05-01", "10-00-00", 1, {33, 25}, Qt::white);
        const auto result = std::get<TimelapseExportResult>(run({"2024-05-01"}));
        const QString video = result.outputURLs[0].toLocalFile();
        QCOMPARE(TimelapseVideoProbe::probe(video).size, QSize(34, 26));
        const QByteArray rgb = TimelapseVideoProbe::decodeFrameRgb(video, 0, {34, 26});
        QVERIFY(isNear(TimelapseVideoProbe::pixel(rgb, {34, 26}, 16, 12), Qt::white, 40));
        QVERIFY(isNear(TimelapseVideoProbe::pixel(rgb, {34, 26}, 33, 12), Qt::black, 70));
    }

    void cancelInsideVideoRemovesPartialFile()
    {
        for (int i = 0; i < 6; ++i) {
            addShot("2024-05-01", QStringLiteral("10-00-0%1").arg(i));
            addShot("2024-05-01", QStringLiteral("10-00-0%1").arg(i), 2);
        }
        int asked = 0;
        // The first video asks 1 + 6 times, then a cancel on the third frame of the second.
        const auto result = std::get<TimelapseExportResult>(run({"2024-05-01"}, 12, [&] { return ++asked > 10; }));
        QVERIFY(result.wasCancelled);
        QCOMPARE(fileNames(result.outputURLs), QStringList{"Momentra_2024-05-01.mp4"});
        QCOMPARE(TimelapseVideoProbe::probe(result.outputURLs[0].toLocalFile()).frames, 6);
        QVERIFY(!QFile::exists(library() + "/Momentra_2024-05-01_Display2.mp4"));
    }

};

QTEST_GUILESS_MAIN(TimelapseExporterTest)
#include "tst_TimelapseExporter.moc"
