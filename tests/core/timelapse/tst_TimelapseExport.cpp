#include "core/library/LibraryLayout.h"
#include "core/library/PartialFiles.h"
#include "core/timelapse/TimelapseExportController.h"
#include "core/timelapse/TimelapseExporter.h"
#include "support/core/RecordingVideoWriter.h"
#include "support/core/TestCodec.h"
#include "support/core/TestHome.h"

#include <QtTest>

using Video = RecordingVideoWriter::Video;

// The exporter, and the controller that runs it and words its progress.
class TimelapseExportTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    std::shared_ptr<RecordingVideoWriter::Record> m_record;
    std::shared_ptr<TimelapseExporter> m_exporter;
    std::unique_ptr<TimelapseExportController> m_controller;
    QList<TimelapseProgress> m_reports;
    QStringList m_statusTexts;
    QList<QList<QUrl>> m_revealed;

    QString library() const { return m_home.picturesFolder(); }
    QUrl day(const QString& name)
    {
        QDir(library()).mkpath(name);
        return QUrl::fromLocalFile(library() + QLatin1Char('/') + name);
    }
    QString shotPath(const QString& dayName, const QString& time, int display = 1)
    {
        const QString suffix = display == 1 ? QString() : QStringLiteral("_Display%1").arg(display);
        return day(dayName).toLocalFile() + "/Momentra_" + dayName + '_' + time + suffix + ".jpeg";
    }
    void addShot(const QString& dayName, const QString& time, int display = 1, QSize size = {64, 48})
    {
        QVERIFY(TestCodec::writeFile(shotPath(dayName, time, display), size.width(), size.height()));
    }
    void addShots(const QString& dayName, int count, int display = 1)
    {
        for (int i = 0; i < count; ++i)
            addShot(dayName, QStringLiteral("10-%1-00").arg(i, 2, 10, QLatin1Char('0')), display, {32, 24});
    }
    TimelapseExporter::Outcome run(const QStringList& days, int fps = 12)
    {
        QList<QUrl> folders;
        for (const QString& name : days)
            folders.append(day(name));
        m_reports.clear();
        return m_exporter->exportDays(
            folders, fps, [] { return false; }, [this](const TimelapseProgress& p) { m_reports.append(p); });
    }
    static QStringList fileNames(const QList<QUrl>& urls)
    {
        QStringList names;
        for (const QUrl& url : urls)
            names.append(url.fileName());
        return names;
    }
    void runToEnd(const QList<QUrl>& days)
    {
        QSignalSpy ended(m_controller.get(), &TimelapseExportController::ended);
        m_controller->exportDays(days, 12);
        QVERIFY(m_controller->isRunning());
        QVERIFY(ended.wait(30000));
        QVERIFY(!m_controller->isRunning());
    }
    QStringList videos() const { return QDir(library()).entryList({QStringLiteral("*.mp4")}); }

private Q_SLOTS:
    void init()
    {
        QDir(library()).removeRecursively();
        QDir().mkpath(library());
        m_record = std::make_shared<RecordingVideoWriter::Record>();
        m_exporter = std::make_shared<TimelapseExporter>(std::make_shared<TestCodec>(),
                                                         RecordingVideoWriter::factory(m_record));
        m_controller = std::make_unique<TimelapseExportController>(m_exporter, m_home.log());
        m_statusTexts.clear();
        m_revealed.clear();
        m_controller->setRevealer([this](const QList<QUrl>& urls) { m_revealed.append(urls); });
        connect(m_controller.get(), &TimelapseExportController::changed, this, [this] {
            const QString text = m_controller->statusText().value_or(QString());
            if (m_statusTexts.isEmpty() || m_statusTexts.last() != text)
                m_statusTexts.append(text);
        });
    }

    void framesByDisplay_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("display");  // 0: ignored
        QTest::newRow("second display") << "Momentra_2024-05-01_10-00-00_Display2.heic" << 2;
        QTest::newRow("numbered, name was taken") << "Momentra_2024-05-01_10-00-00_2.jpeg" << 1;
        QTest::newRow("numbered second display") << "Momentra_2024-05-01_10-00-00_Display2_3.png" << 2;
        QTest::newRow("empty number") << "Momentra_2024-05-01_10-00-00_Display.jpeg" << 0;
        QTest::newRow("impossible time") << "Momentra_2024-05-01_25-00-00.png" << 0;
        QTest::newRow("marker in prefix") << "Momentra_Display2" << 0;
    }
    void framesByDisplay()
    {
        QFETCH(QString, name);
        QFETCH(int, display);
        const QUrl folder = day(QStringLiteral("2024-05-01"));
        QVERIFY(QFile(folder.toLocalFile() + QLatin1Char('/') + name).open(QIODevice::WriteOnly));
        const auto frames = TimelapseExporter::framesByDisplay(folder);
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

    // Frames sorted by time, one video a display at its first frame's size;
    // the controller reports each frame and reveals the first video.
    void twoDisplaysGiveTwoVideos()
    {
        for (const char* time : {"10-01-00", "10-00-00"})
            addShot("2024-05-01", time);
        for (const char* time : {"10-00-00", "10-02-00", "10-01-00"})
            addShot("2024-05-01", time, 2, {32, 24});
        runToEnd({day("2024-05-01")});
        QCOMPARE(fileNames(m_controller->outputURLs()),
                 QStringList({"Momentra_2024-05-01.mp4", "Momentra_2024-05-01_Display2.mp4"}));
        const QList<Video> videos = m_record->videos();
        QCOMPARE(videos[0].size, QSize(64, 48));
        QCOMPARE(videos[0].targets.size(), 2);
        QCOMPARE(videos[1].size, QSize(32, 24));
        QCOMPARE(videos[1].targets.size(), 3);
        QVERIFY(videos[0].finished && videos[1].finished);
        QCOMPARE(m_statusTexts,
                 QStringList({"Preparing…", "Display 1 of 2, 1 of 5 frames", "Display 1 of 2, 2 of 5 frames",
                              "Display 2 of 2, 3 of 5 frames", "Display 2 of 2, 4 of 5 frames",
                              "Display 2 of 2, 5 of 5 frames", "Exported 2 videos."}));
        QCOMPARE(m_revealed, (QList<QList<QUrl>>{{m_controller->outputURLs().first()}}));
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
        QCOMPARE(fileNames(result.outputURLs),
                 QStringList({"Momentra_2024-05-01 2.mp4", "Momentra_2024-05-01_Display2 2.mp4"}));
        QCOMPARE(QFileInfo(taken.fileName()).size(), 7);
    }

    // While it is written the video has only a hidden partial name.
    void videoTakesItsNameWhenComplete()
    {
        addShots("2024-05-01", 2);
        QStringList whileWriting;
        m_record->onAppend = [&](int, int) { whileWriting = QDir(library()).entryList(QDir::Files | QDir::Hidden); };
        std::get<TimelapseExportResult>(run({"2024-05-01"}));
        QVERIFY(whileWriting.size() == 1 && PartialFiles::isPartialName(whileWriting.first()));
        QCOMPARE(QDir(library()).entryList(QDir::Files | QDir::Hidden), QStringList{"Momentra_2024-05-01.mp4"});
    }

    // Frames that do not decode leave no gap but count as handled.
    void brokenFramesAreSkipped()
    {
        QVERIFY(TestCodec::writeNonImage(shotPath("2024-05-01", "09-00-00")));
        addShot("2024-05-01", "10-00-00", 1, {80, 60});
        addShot("2024-05-01", "11-00-00", 1, {80, 60});
        std::get<TimelapseExportResult>(run({"2024-05-01"}, 2));
        QCOMPARE(m_record->videos().first().size, QSize(80, 60));
        QCOMPARE(m_record->frames(), 2);
        QCOMPARE(m_reports.last().completedFrames, 3);

        QVERIFY(TestCodec::writeNonImage(shotPath("2024-05-02", "09-00-00")));
        QCOMPARE(std::get<TimelapseError>(run({"2024-05-02"})), TimelapseError::noFrames(1));
        QVERIFY(!QFile::exists(library() + "/Momentra_2024-05-02.mp4"));
    }

    // Cancelled while the second video is being written: it gets no further
    // frame and its file goes, progress that arrives after the cancel changes
    // nothing, the first video is kept. A request while running is ignored.
    void cancelInSecondVideoKeepsTheFirst()
    {
        addShots("2024-05-01", 3);
        addShots("2024-05-01", 6, 2);
        addShots("2024-05-02", 1);
        QSemaphore held, resume;
        m_record->onAppend = [&](int video, int frame) {
            if (video == 1 && frame == 2) {
                held.release();
                resume.acquire();
            }
        };
        QSignalSpy ended(m_controller.get(), &TimelapseExportController::ended);
        m_controller->exportDays({day("2024-05-01")}, 12);
        m_controller->exportDays({day("2024-05-02")}, 12);
        QVERIFY(held.tryAcquire(1, 10000));  // the reports so far wait in the event queue
        m_controller->cancel();
        resume.release();
        QVERIFY(ended.wait(10000));
        QCOMPARE(m_statusTexts.mid(m_statusTexts.indexOf("Cancelling…")),
                 QStringList({"Cancelling…", "Cancelled. 1 video finished."}));
        QCOMPARE(m_record->frames(), 3 + 2);
        QVERIFY(!m_record->videos()[1].finished);
        QCOMPARE(videos(), QStringList{"Momentra_2024-05-01.mp4"});
        QVERIFY(m_revealed.isEmpty());
    }

    void endings_data()
    {
        QTest::addColumn<QStringList>("emptyDays");
        QTest::addColumn<bool>("withShots");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("error");
        const QString today = LibraryLayout::dayFolderName(QDateTime::currentDateTime());
        QTest::newRow("one day skipped") << QStringList{"2024-05-02"} << true
                                         << "Exported 1 video. Thursday, May 2, 2024 had no screenshots left."
                                         << "";
        QTest::newRow("days skipped") << QStringList{"2024-05-02", "2024-05-03"} << true
                                      << "Exported 1 video. 2 days had no screenshots left."
                                      << "";
        QTest::newRow("nothing today") << QStringList{today} << false << ""
                                       << "No screenshots from today yet.";
        QTest::newRow("nothing that day") << QStringList{"2024-05-01"} << false << ""
                                          << "No screenshots found for this day.";
        QTest::newRow("nothing those days") << QStringList{today, "2024-05-01"} << false << ""
                                            << "No screenshots found for these days.";
    }
    void endings()
    {
        QFETCH(QStringList, emptyDays);
        QFETCH(bool, withShots);
        QList<QUrl> folders;
        for (const QString& name : emptyDays)
            folders.append(day(name));
        if (withShots) {
            addShots("2024-05-01", 1);
            folders.append(day("2024-05-01"));
        }
        runToEnd(folders);
        QTEST(m_controller->statusText().value_or(QString()), "status");
        QTEST(m_controller->errorMessage().value_or(QString()), "error");
    }

    void dayLabel_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::newRow("today") << "2024-05-06"
                               << "Today";
        QTest::newRow("this year") << "2024-01-31"
                                   << "Wednesday, January 31";
        QTest::newRow("last year") << "2023-12-31"
                                   << "Sunday, December 31, 2023";
        QTest::newRow("not a day") << "2024-13-01"
                                   << "2024-13-01";
    }
    void dayLabel()
    {
        QFETCH(QString, name);
        QTEST(TimelapseExportController::dayLabel(name, QDateTime(QDate(2024, 5, 6), QTime(0, 0, 30))), "label");
    }

    void loadDaysCountsOwnScreenshotsNewestFirst()
    {
        addShots("2024-05-01", 2);
        addShots("2024-05-01", 1, 2);
        addShots("2024-05-03", 1);
        day("2024-05-02");                                                     // empty
        QVERIFY(QFile(library() + "/2024-05-05").open(QIODevice::WriteOnly));  // a file named like a day
        const QList<TimelapseDay> expected = {{"2024-05-03", day("2024-05-03"), 1},
                                              {"2024-05-01", day("2024-05-01"), 3}};
        QCOMPARE(TimelapseExportController::loadDays(library()), expected);
    }
};

QTEST_GUILESS_MAIN(TimelapseExportTest)
#include "tst_TimelapseExport.moc"
