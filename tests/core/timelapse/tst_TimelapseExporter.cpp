#include "core/timelapse/TimelapseExporter.h"
#include "support/core/RecordingVideoWriter.h"
#include "support/core/TestCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using Video = RecordingVideoWriter::Video;

class TimelapseExporterTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::shared_ptr<RecordingVideoWriter::Record> m_record;
    std::unique_ptr<TimelapseExporter> m_exporter;
    QList<TimelapseProgress> m_reports;
    std::atomic<bool> m_cancel{false};

    QString library() const { return m_root->path(); }
    QString day(const QString& name)
    {
        QDir(library()).mkpath(name);
        return library() + QLatin1Char('/') + name;
    }
    void addShot(const QString& dayName, const QString& time, int display = 1, QSize size = {64, 48})
    {
        const QString suffix = display == 1 ? QString() : QStringLiteral("_Display%1").arg(display);
        QVERIFY(TestCodec::writeFile(day(dayName) + "/Momentra_" + dayName + '_' + time + suffix + ".jpeg", size.width(),
                                     size.height()));
    }
    TimelapseExporter::Outcome run(const QStringList& days, int fps = 12)
    {
        QList<QUrl> folders;
        for (const QString& name : days)
            folders.append(QUrl::fromLocalFile(library() + QLatin1Char('/') + name));
        m_reports.clear();
        return m_exporter->exportDays(folders, fps, [this] { return m_cancel.load(); },
                                      [this](const TimelapseProgress& p) { m_reports.append(p); });
    }
    static QStringList fileNames(const QList<QUrl>& urls)
    {
        QStringList names;
        for (const QUrl& url : urls)
            names.append(url.fileName());
        return names;
    }

private Q_SLOTS:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        m_record = std::make_shared<RecordingVideoWriter::Record>();
        m_exporter = std::make_unique<TimelapseExporter>(std::make_shared<TestCodec>(),
                                                         RecordingVideoWriter::factory(m_record));
        m_cancel = false;
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
        for (const char* time : {"10-01-00", "10-00-00"})
            addShot("2024-05-01", time);
        for (const char* time : {"10-00-00", "10-02-00", "10-01-00"})
            addShot("2024-05-01", time, 2, {32, 24});
        const auto result = std::get<TimelapseExportResult>(run({"2024-05-01"}));
        QCOMPARE(fileNames(result.outputURLs), QStringList({"Momentra_2024-05-01.mp4", "Momentra_2024-05-01_Display2.mp4"}));
        const QList<Video> videos = m_record->videos();
        QCOMPARE(videos[0].size, QSize(64, 48));
        QCOMPARE(videos[0].targets.size(), 2);
        QCOMPARE(videos[1].size, QSize(32, 24));
        QCOMPARE(videos[1].targets.size(), 3);
        QVERIFY(videos[0].finished && videos[1].finished);
        QCOMPARE(m_reports.last().completedFrames, 5);
        QCOMPARE(m_reports.last().currentDisplayIndex, 2);
    }

    void severalDaysMakeOneVideoWithLabelAndSkippedDays()
    {
        addShot("2024-05-03", "09-00-00");
        addShot("2024-05-01", "10-00-00");
        addShot("2024-05-01", "08-00-00", 1, {32, 48});  // the first frame sets the size
        day("2024-05-02");
        const auto result = std::get<TimelapseExportResult>(run({"2024-05-03", "2024-05-02", "2024-05-01"}, 0));
        QCOMPARE(fileNames(result.outputURLs), QStringList{"Momentra_2024-05-01_to_2024-05-03.mp4"});
        QCOMPARE(result.skippedDays, QStringList{"2024-05-02"});
        const Video video = m_record->videos().first();
        QCOMPARE(video.fps, 1);  // below one is one
        QCOMPARE(video.size, QSize(32, 48));
        QCOMPARE(video.targets, (QList<QRect>{{0, 0, 32, 48}, {0, 12, 32, 24}, {0, 12, 32, 24}}));
    }

    void existingNamesGetAttemptNumberForAllVideos()
    {
        addShot("2024-05-01", "10-00-00");
        addShot("2024-05-01", "10-00-00", 2);
        QFile taken(library() + "/Momentra_2024-05-01_Display2.mp4");
        QVERIFY(taken.open(QIODevice::WriteOnly) && taken.write("keep me") == 7);
        taken.close();
        const auto result = std::get<TimelapseExportResult>(run({"2024-05-01"}));
        QCOMPARE(fileNames(result.outputURLs), QStringList({"Momentra_2024-05-01 2.mp4", "Momentra_2024-05-01_Display2 2.mp4"}));
        QCOMPARE(QFileInfo(taken.fileName()).size(), 7);
    }

    // Frames that do not decode leave no gap but count as handled.
    void brokenFramesAreSkipped()
    {
        QVERIFY(TestCodec::writeNonImage(day("2024-05-01") + "/Momentra_2024-05-01_09-00-00.jpeg"));
        addShot("2024-05-01", "10-00-00", 1, {80, 60});
        addShot("2024-05-01", "11-00-00", 1, {80, 60});
        std::get<TimelapseExportResult>(run({"2024-05-01"}, 2));
        QCOMPARE(m_record->videos().first().size, QSize(80, 60));
        QCOMPARE(m_record->frames(), 2);
        QCOMPARE(m_reports.last().completedFrames, 3);

        QVERIFY(TestCodec::writeNonImage(day("2024-05-02") + "/Momentra_2024-05-02_09-00-00.jpeg"));
        QCOMPARE(std::get<TimelapseError>(run({"2024-05-02"})), TimelapseError::noFrames(1));
        QVERIFY(!QFile::exists(library() + "/Momentra_2024-05-02.mp4"));
    }

    // Cancelled once the second video has three frames: the first video stays,
    // the second gets no further frame and its file goes.
    void cancelInsideVideoRemovesPartialFile()
    {
        for (int i = 0; i < 6; ++i) {
            addShot("2024-05-01", QStringLiteral("10-00-0%1").arg(i));
            addShot("2024-05-01", QStringLiteral("10-00-0%1").arg(i), 2);
        }
        m_record->onAppend = [this](int video, int frame) {
            if (video == 1 && frame == 3)
                m_cancel = true;
        };
        const auto result = std::get<TimelapseExportResult>(run({"2024-05-01"}));
        QVERIFY(result.wasCancelled);
        QCOMPARE(fileNames(result.outputURLs), QStringList{"Momentra_2024-05-01.mp4"});
        const QList<Video> videos = m_record->videos();
        QCOMPARE(videos[0].targets.size(), 6);
        QCOMPARE(videos[1].targets.size(), 3);
        QVERIFY(!videos[1].finished);
        QVERIFY(QFile::exists(videos[0].path));
        QVERIFY(!QFile::exists(videos[1].path));
    }
};

QTEST_GUILESS_MAIN(TimelapseExporterTest)
#include "tst_TimelapseExporter.moc"
