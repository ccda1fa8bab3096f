#include "core/library/LibraryLayout.h"
#include "core/timelapse/TimelapseExportController.h"
#include "support/core/RecordingVideoWriter.h"
#include "support/core/TestCodec.h"
#include "support/core/TestHome.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QtTest>

class TimelapseExportControllerTest : public QObject
{
    Q_OBJECT

private:
    TestHome m_home;
    std::shared_ptr<RecordingVideoWriter::Record> m_record;
    std::unique_ptr<TimelapseExportController> m_controller;
    QStringList m_statusTexts;
    QList<QList<QUrl>> m_revealed;

    QString library() const { return m_home.picturesFolder(); }
    QUrl day(const QString& name)
    {
        QDir(library()).mkpath(name);
        return QUrl::fromLocalFile(library() + QLatin1Char('/') + name);
    }
    void addShots(const QString& dayName, int count, int display = 1)
    {
        const QString folder = day(dayName).toLocalFile();
        for (int i = 0; i < count; ++i)
            TestCodec::writeFile(folder + QStringLiteral("/Momentra_%1_10-%2-00%3.png").arg(dayName).arg(i, 2, 10, QLatin1Char('0'))
                                              .arg(display == 1 ? QString() : QStringLiteral("_Display%1").arg(display)),
                                 32, 24);
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
        auto exporter = std::make_shared<TimelapseExporter>(std::make_shared<TestCodec>(), RecordingVideoWriter::factory(m_record));
        m_controller = std::make_unique<TimelapseExportController>(exporter, m_home.log());
        m_statusTexts.clear();
        m_revealed.clear();
        m_controller->setRevealer([this](const QList<QUrl>& urls) { m_revealed.append(urls); });
        connect(m_controller.get(), &TimelapseExportController::changed, this, [this] {
            const QString text = m_controller->statusText().value_or(QString());
            if (m_statusTexts.isEmpty() || m_statusTexts.last() != text)
                m_statusTexts.append(text);
        });
    }

    void twoDisplaysReportFramesAndRevealTheVideos()
    {
        addShots("2024-05-01", 1);
        addShots("2024-05-01", 2, 2);
        runToEnd({day("2024-05-01")});
        QCOMPARE(m_statusTexts, QStringList({"Preparing…", "Display 1 of 2, 1 of 3 frames", "Display 2 of 2, 2 of 3 frames",
                                             "Display 2 of 2, 3 of 3 frames", "Exported 2 videos."}));
        QCOMPARE(m_controller->outputURLs().size(), 2);
        QCOMPARE(m_revealed, (QList<QList<QUrl>>{{m_controller->outputURLs().first()}}));
    }

    // Cancelled while the second video is being written: progress that
    // arrives after the cancel changes nothing, the first video is kept.
    void cancelInSecondVideoKeepsTheFirst()
    {
        addShots("2024-05-01", 3);
        addShots("2024-05-01", 6, 2);
        QSemaphore held, resume;
        m_record->onAppend = [&](int video, int frame) {
            if (video == 1 && frame == 2) {
                held.release();
                resume.acquire();
            }
        };
        QSignalSpy ended(m_controller.get(), &TimelapseExportController::ended);
        m_controller->exportDays({day("2024-05-01")}, 12);
        QVERIFY(held.tryAcquire(1, 10000));  // the reports so far wait in the event queue
        m_controller->cancel();
        resume.release();
        QVERIFY(ended.wait(10000));
        QCOMPARE(m_statusTexts.mid(m_statusTexts.indexOf("Cancelling…")),
                 QStringList({"Cancelling…", "Cancelled. 1 video finished."}));
        QCOMPARE(m_record->frames(), 3 + 2);
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
                                         << "Exported 1 video. Thursday, May 2, 2024 had no screenshots left." << "";
        QTest::newRow("days skipped") << QStringList{"2024-05-02", "2024-05-03"} << true
                                      << "Exported 1 video. 2 days had no screenshots left." << "";
        QTest::newRow("nothing today") << QStringList{today} << false << "" << "No screenshots from today yet.";
        QTest::newRow("nothing that day") << QStringList{"2024-05-01"} << false << "" << "No screenshots found for this day.";
        QTest::newRow("nothing those days") << QStringList{today, "2024-05-01"} << false << "" << "No screenshots found for these days.";
    }
    void endings()
    {
        QFETCH(QStringList, emptyDays);
        QFETCH(bool, withShots);
        QFETCH(QString, status);
        QFETCH(QString, error);
        QList<QUrl> folders;
        for (const QString& name : emptyDays)
            folders.append(day(name));
        if (withShots) {
            addShots("2024-05-01", 1);
            folders.append(day("2024-05-01"));
        }
        runToEnd(folders);
        QCOMPARE(m_controller->statusText().value_or(QString()), status);
        QCOMPARE(m_controller->errorMessage().value_or(QString()), error);
    }

    void requestsWhileRunningAreIgnored()
    {
        addShots("2024-05-01", 5);
        addShots("2024-05-02", 5);
        QSignalSpy ended(m_controller.get(), &TimelapseExportController::ended);
        m_controller->exportDays({day("2024-05-01")}, 12);
        m_controller->exportDays({day("2024-05-02")}, 12);
        QVERIFY(ended.wait(30000));
        QCOMPARE(videos(), QStringList{"Momentra_2024-05-01.mp4"});
        QCOMPARE(m_controller->statusText(), std::optional<QString>("Exported 1 video."));
    }

    void dayLabel_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::newRow("today") << "2024-05-06" << "Today";
        QTest::newRow("this year") << "2024-01-31" << "Wednesday, January 31";
        QTest::newRow("last year") << "2023-12-31" << "Sunday, December 31, 2023";
        QTest::newRow("not a day") << "2024-13-01" << "2024-13-01";
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
        day("2024-05-02");  // empty
        QVERIFY(QFile(library() + "/2024-05-05").open(QIODevice::WriteOnly));  // a file named like a day
        const QList<TimelapseDay> expected = {{"2024-05-03", day("2024-05-03"), 1}, {"2024-05-01", day("2024-05-01"), 3}};
        QCOMPARE(TimelapseExportController::loadDays(library()), expected);
    }
};

QTEST_GUILESS_MAIN(TimelapseExportControllerTest)
#include "tst_TimelapseExportController.moc"
