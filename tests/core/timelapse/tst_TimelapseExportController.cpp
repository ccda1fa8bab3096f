#include "core/capture/LibraryLayout.h"
#include "core/timelapse/TimelapseExportController.h"
#include "media/FfmpegVideoWriter.h"
#include "support/TestHome.h"
#include "support/TimelapseTestCodec.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

class TimelapseExportControllerTest : public QObject
{
    Q_OBJECT

private:
    TestHome m_home;
    std::shared_ptr<TimelapseTestCodec> m_codec;
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
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("Momentra_%1_10-%2-00%3.png")
                                     .arg(dayName)
                                     .arg(i, 2, 10, QLatin1Char('0'))
                                     .arg(display == 1 ? QString() : QStringLiteral("_Display%1").arg(display));
            TimelapseTestCodec::writeImage(folder + QLatin1Char('/') + name, {32, 24}, Qt::darkCyan);
        }
    }
    void waitForEnd()
    {
        QSignalSpy ended(m_controller.get(), &TimelapseExportController::ended);
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
        m_codec = std::make_shared<TimelapseTestCodec>();
        auto exporter = std::make_shared<TimelapseExporter>(m_codec, [] { return std::make_unique<FfmpegVideoWriter>(); });
        m_controller = std::make_unique<TimelapseExportController>(exporter);
        m_statusTexts.clear();
        m_revealed.clear();
        m_controller->setRevealer([this](const QList<QUrl>& urls) { m_revealed.append(urls); });
        connect(m_controller.get(), &TimelapseExportController::changed, this, [this] {
            const QString text = m_controller->statusText().value_or(QString());
            if (m_statusTexts.isEmpty() || m_statusTexts.last() != text)
                m_statusTexts.append(text);
        });
    }

    void oneDisplayReportsFramesAndRevealsTheVideo()
    {
        addShots("2024-05-01", 3);
        m_controller->exportDays({day("2024-05-01")}, 12);
        QVERIFY(m_controller->isRunning());
        QCOMPARE(m_controller->days(), QStringList{"2024-05-01"});
        QCOMPARE(m_controller->statusText(), std::optional<QString>("Preparing…"));
        waitForEnd();
        QCOMPARE(m_statusTexts, QStringList({"Preparing…", "1 of 3 frames", "2 of 3 frames", "3 of 3 frames",
                                             "Exported 1 video."}));
        QCOMPARE(m_controller->completedFrames(), 3);
        QCOMPARE(m_controller->totalFrames(), 3);
        QCOMPARE(m_controller->outputURLs().size(), 1);
        QCOMPARE(m_revealed, QList<QList<QUrl>>{m_controller->outputURLs()});
        QCOMPARE(m_controller->errorMessage(), std::nullopt);
    }

    void twoDisplaysNameTheDisplay()
    {
        addShots("2024-05-01", 2);
        addShots("2024-05-01", 2, 2);
        m_controller->exportDays({day("2024-05-01")}, 12);
        waitForEnd();
        QCOMPARE(m_statusTexts, QStringList({"Preparing…", "Display 1 of 2, 1 of 4 frames",
                                             "Display 1 of 2, 2 of 4 frames", "Display 2 of 2, 3 of 4 frames",
                                             "Display 2 of 2, 4 of 4 frames", "Exported 2 videos."}));
        QCOMPARE(videos(), QStringList({"Momentra_2024-05-01.mp4", "Momentra_2024-05-01_Display2.mp4"}));
    }

    void cancelInSecondVideoKeepsTheFirst()
    {
        addShots("2024-05-01", 3);
        addShots("2024-05-01", 40, 2);
        m_codec->setDecodeDelayMs(25);
        connect(m_controller.get(), &TimelapseExportController::changed, this, [this] {
            if (m_controller->statusText().value_or(QString()).startsWith("Display 2 of 2, 5 of"))
                m_controller->cancel();
        });
        m_controller->exportDays({day("2024-05-01")}, 12);
        waitForEnd();
        QVERIFY(m_statusTexts.contains("Cancelling…"));
        QCOMPARE(m_controller->statusText(), std::optional<QString>("Cancelled. 1 video finished."));
        QCOMPARE(videos(), QStringList{"Momentra_2024-05-01.mp4"});
        QVERIFY(m_revealed.isEmpty());
        QVERIFY(m_codec->decodeCount() < 43);
    }

    void cancelBeforeAnyVideo()
    {
        addShots("2024-05-01", 20);
        m_codec->setDecodeDelayMs(25);
        m_controller->exportDays({day("2024-05-01")}, 12);
        m_controller->cancel();
        QVERIFY(m_controller->isCancelling());
        waitForEnd();
        QCOMPARE(m_controller->statusText(), std::optional<QString>("Cancelled."));
        QVERIFY(m_controller->outputURLs().isEmpty());
        QVERIFY(videos().isEmpty());
    }

    void skippedDaysNote_data()
    {
        QTest::addColumn<QStringList>("emptyDays");
        QTest::addColumn<QString>("status");
        QTest::newRow("one") << QStringList{"2024-05-02"} << "Exported 1 video. Thursday, May 2, 2024 had no screenshots left.";
        QTest::newRow("two") << QStringList{"2024-05-02", "2024-05-03"} << "Exported 1 video. 2 days had no screenshots left.";
    }

    void skippedDaysNote()
    {
        QFETCH(QStringList, emptyDays);
        QFETCH(QString, status);
        addShots("2024-05-01", 1);
        QList<QUrl> folders{day("2024-05-01")};
        for (const QString& name : emptyDays)
            folders.prepend(day(name));
        m_controller->exportDays(folders, 8);
        waitForEnd();
        QCOMPARE(m_controller->statusText(), std::optional<QString>(status));
        QCOMPARE(m_controller->days().first(), QStringLiteral("2024-05-01"));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("dayNames");
        QTest::addColumn<QString>("message");
        const QString today = LibraryLayout::dayFolderName(QDateTime::currentDateTime());
        QTest::newRow("today") << QStringList{today} << "No screenshots from today yet.";
        QTest::newRow("another day") << QStringList{"2024-05-01"} << "No screenshots found for this day.";
        QTest::newRow("days") << QStringList{today, "2024-05-01"} << "No screenshots found for these days.";
    }

    void failures()
    {
        QFETCH(QStringList, dayNames);
        QFETCH(QString, message);
        QList<QUrl> folders;
        for (const QString& name : dayNames)
            folders.append(day(name));
        m_controller->exportDays(folders, 12);
        waitForEnd();
        QCOMPARE(m_controller->errorMessage(), std::optional<QString>(message));
        QCOMPARE(m_controller->statusText(), std::nullopt);
    }

    void requestsWhileRunningOrEmptyAreIgnored()
    {
        m_controller->exportDays({}, 12);
        QVERIFY(!m_controller->isRunning());
        addShots("2024-05-01", 5);
        addShots("2024-05-02", 5);
        m_codec->setDecodeDelayMs(10);
        m_controller->exportDays({day("2024-05-01")}, 12);
        m_controller->exportDays({day("2024-05-02")}, 12);
        QCOMPARE(m_controller->days(), QStringList{"2024-05-01"});
        waitForEnd();
        QCOMPARE(videos(), QStringList{"Momentra_2024-05-01.mp4"});
        // A late result after the end is ignored.
        m_controller->finish({}, true, {});
        m_controller->fail("late");
        QCOMPARE(m_controller->statusText(), std::optional<QString>("Exported 1 video."));
        QCOMPARE(m_controller->errorMessage(), std::nullopt);
    }

    void dayLabel_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::newRow("today") << "2024-05-06" << "Today";
        QTest::newRow("yesterday") << "2024-05-05" << "Yesterday";
        QTest::newRow("this year") << "2024-01-31" << "Wednesday, January 31";
        QTest::newRow("last year") << "2023-12-31" << "Sunday, December 31, 2023";
        QTest::newRow("tomorrow") << "2024-05-07" << "Tuesday, May 7";
        QTest::newRow("not a day") << "2024-13-01" << "2024-13-01";
        QTest::newRow("text") << "holiday" << "holiday";
    }

    void dayLabel()
    {
        QFETCH(QString, name);
        QFETCH(QString, label);
        const QDateTime now(QDate(2024, 5, 6), QTime(0, 0, 30));
        QCOMPARE(TimelapseExportController::dayLabel(name, now), label);
    }

    void daysDescription()
    {
        const QDateTime now(QDate(2024, 5, 6), QTime(23, 59));
        QCOMPARE(TimelapseExportController::daysDescription({"2024-05-05"}, now), QStringLiteral("Yesterday"));
        QCOMPARE(TimelapseExportController::daysDescription({"2024-05-04", "2024-05-05"}, now), QStringLiteral("2 days"));
        // At midnight the same name moves from "Today" to "Yesterday".
        QCOMPARE(TimelapseExportController::dayLabel("2024-05-06", now), QStringLiteral("Today"));
        QCOMPARE(TimelapseExportController::dayLabel("2024-05-06", now.addSecs(120)), QStringLiteral("Yesterday"));
    }

    void loadDays()
    {
        addShots("2024-05-01", 2);
        addShots("2024-05-03", 1);
        day("2024-05-02");  // empty
        QFile foreign(day("2024-05-04").toLocalFile() + "/holiday.png");
        QVERIFY(foreign.open(QIODevice::WriteOnly));
        foreign.close();
        addShots("2024-05-01", 1, 2);
        QDir(library()).mkpath("Archive");
        QFile file(library() + "/2024-05-05");  // a file named like a day
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        const QList<TimelapseDay> days = TimelapseExportController::loadDays(library());
        const QList<TimelapseDay> expected = {
            {"2024-05-03", day("2024-05-03"), 1},
            {"2024-05-01", day("2024-05-01"), 3},
        };
        QCOMPARE(days, expected);
        QVERIFY(TimelapseExportController::loadDays(library() + "/missing").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TimelapseExportControllerTest)
#include "tst_TimelapseExportController.moc"
