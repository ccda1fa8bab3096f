#include "core/capture/SweepLog.h"

#include <QTest>

using Entry = SweepLog::Entry;
using Entries = QList<SweepLog::Entry>;
Q_DECLARE_METATYPE(SweepTrigger)
Q_DECLARE_METATYPE(std::optional<SweepResult>)

namespace {
const QString kFolder = QStringLiteral("/home/me/Pictures/Momentra");
const QString kContext = QStringLiteral("(1 Day) of /home/me/Pictures/Momentra");
const QDateTime kStart = QDateTime(QDate(2024, 5, 1), QTime(10, 24));

std::optional<SweepResult> result(int trashed, int failed, bool stopped = false)
{
    return SweepResult{trashed, failed, std::nullopt, stopped};
}

Entries notice(const QString& text)
{
    return {Entry::notice(text)};
}
}  // namespace

class SweepLogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void singlePass_data()
    {
        QTest::addColumn<SweepTrigger>("trigger");
        QTest::addColumn<std::optional<SweepResult>>("result");
        QTest::addColumn<bool>("permanently");
        QTest::addColumn<Entries>("expected");

        const auto configured = SweepTrigger::Configured;
        const auto wake = SweepTrigger::Wake;
        QTest::newRow("configured, nothing removed: still a line")
            << configured << result(0, 0) << false << notice(QStringLiteral("Sweep ") + kContext + QStringLiteral(": trashed 0, failed 0"));
        QTest::newRow("configured, permanent")
            << configured << result(5, 1) << true << notice(QStringLiteral("Sweep ") + kContext + QStringLiteral(": deleted 5, failed 1"));
        QTest::newRow("wake, nothing removed: no line") << wake << result(0, 0) << false << Entries{};
        QTest::newRow("wake, removed")
            << wake << result(2, 0) << false << notice(QStringLiteral("Sweep after wake ") + kContext + QStringLiteral(": trashed 2, failed 0"));
        QTest::newRow("stopped with work done")
            << configured << result(12, 0, true) << false
            << notice(QStringLiteral("Sweep ") + kContext + QStringLiteral(" stopped by a settings change: trashed 12, failed 0"));
        QTest::newRow("stopped after wake")
            << wake << result(0, 3, true) << true
            << notice(QStringLiteral("Sweep after wake ") + kContext + QStringLiteral(" stopped by a settings change: deleted 0, failed 3"));
        QTest::newRow("stopped before doing anything: no line") << configured << result(0, 0, true) << false << Entries{};
        QTest::newRow("stopped timer sweep: only the stop line")
            << SweepTrigger::Timer << result(4, 2, true) << false
            << notice(QStringLiteral("Sweep ") + kContext + QStringLiteral(" stopped by a settings change: trashed 4, failed 2"));
        QTest::newRow("unlistable, configured")
            << configured << std::optional<SweepResult>() << false
            << Entries{Entry::error(QStringLiteral("Sweep couldn't list ") + kFolder)};
        QTest::newRow("unlistable, wake")
            << wake << std::optional<SweepResult>() << false
            << Entries{Entry::error(QStringLiteral("Sweep after wake couldn't list ") + kFolder)};
    }
    void singlePass()
    {
        QFETCH(SweepTrigger, trigger);
        QFETCH(std::optional<SweepResult>, result);
        QFETCH(bool, permanently);
        QFETCH(Entries, expected);
        SweepLog log;
        QCOMPARE(log.record(result, trigger, kFolder, DeletionPolicy::OneDay, permanently, kStart), expected);
        QCOMPARE(log.couldNotList, !result.has_value());
    }

    void listingFailuresAreReportedOncePerStreak()
    {
        SweepLog log;
        const std::optional<SweepResult> none;
        QCOMPARE(log.record(none, SweepTrigger::Timer, kFolder, DeletionPolicy::OneDay, false, kStart).size(), 1);
        QCOMPARE(log.record(none, SweepTrigger::Timer, kFolder, DeletionPolicy::OneDay, false, kStart).size(), 0);
        QCOMPARE(log.record(none, SweepTrigger::Wake, kFolder, DeletionPolicy::OneDay, false, kStart).size(), 0);
        // A configured sweep always reports.
        QCOMPARE(log.record(none, SweepTrigger::Configured, kFolder, DeletionPolicy::OneDay, false, kStart).size(), 1);
        log.record(result(0, 0), SweepTrigger::Timer, kFolder, DeletionPolicy::OneDay, false, kStart);
        QVERIFY(!log.couldNotList);
        QCOMPARE(log.record(none, SweepTrigger::Timer, kFolder, DeletionPolicy::OneDay, false, kStart).size(), 1);
    }

    void timerSummariesAtMostHourly()
    {
        SweepLog log;
        auto timer = [&](int trashed, const QDateTime& at) {
            return log.record(result(trashed, 0), SweepTrigger::Timer, kFolder, DeletionPolicy::OneDay, false, at);
        };
        // First pass: a summary at once.
        QCOMPARE(timer(3, kStart), notice(QStringLiteral("Sweep ") + kContext + QStringLiteral(": trashed 3")));
        QCOMPARE(log.lastSummaryAt, kStart);
        // Within the hour: aggregated silently; empty passes change nothing.
        QCOMPARE(timer(10, kStart.addSecs(600)), Entries{});
        QCOMPARE(timer(0, kStart.addSecs(1200)), Entries{});
        QCOMPARE(timer(30, kStart.addSecs(3599)), Entries{});
        QCOMPARE(log.pending, std::optional<SweepLog::Pending>(SweepLog::Pending{2, 40, kStart.addSecs(600)}));
        // The first pass an hour after the last summary writes the total.
        QCOMPARE(timer(5, kStart.addSecs(3600)),
                 notice(QStringLiteral("Sweep ") + kContext + QStringLiteral(": trashed 45 in 3 passes since ")
                        + QLocale::c().toString(kStart.addSecs(600), QStringLiteral("yyyy-MM-dd HH:mm"))));
        QCOMPARE(log.pending, std::nullopt);
        QCOMPARE(log.takeSummary(kFolder, DeletionPolicy::OneDay, false, kStart.addSecs(4000)), Entries{});
    }

    void summaryExample()
    {
        SweepLog log;
        log.pending = SweepLog::Pending{9, 40, kStart};
        QCOMPARE(log.takeSummary(kFolder, DeletionPolicy::OneDay, true, kStart.addSecs(30)),
                 notice(QStringLiteral("Sweep ") + kContext + QStringLiteral(": deleted 40 in 9 passes since 2024-05-01 10:24")));
        QCOMPARE(log.lastSummaryAt, kStart.addSecs(30));
    }

    void timerFailuresOnlyOnChange()
    {
        SweepLog log;
        auto timer = [&](int failed, bool permanently = false) {
            return log.record(result(0, failed), SweepTrigger::Timer, kFolder, DeletionPolicy::OneDay, permanently, kStart);
        };
        QCOMPARE(timer(2), Entries{Entry::error(QStringLiteral("Sweep ") + kContext + QStringLiteral(": couldn't move 2 to the Trash"))});
        QCOMPARE(timer(2), Entries{});
        QCOMPARE(timer(0), notice(QStringLiteral("Sweep ") + kContext + QStringLiteral(": nothing failing anymore")));
        QCOMPARE(timer(0), Entries{});
        QCOMPARE(timer(1, true), Entries{Entry::error(QStringLiteral("Sweep ") + kContext + QStringLiteral(": couldn't delete 1"))});
        QCOMPARE(log.timerFailures, 1);
    }

    void deleteAllLines_data()
    {
        QTest::addColumn<std::optional<SweepResult>>("result");
        QTest::addColumn<bool>("permanently");
        QTest::addColumn<Entry>("expected");
        const QString start = QStringLiteral("Delete all in /home/me/Pictures/Momentra: ");
        QTest::newRow("trashed with failures") << result(1520, 3) << false << Entry::notice(start + QStringLiteral("trashed 1520, 3 failed"));
        QTest::newRow("deleted") << result(7, 0) << true << Entry::notice(start + QStringLiteral("deleted 7"));
        QTest::newRow("stopped") << result(2, 0, true) << false << Entry::notice(start + QStringLiteral("trashed 2, stopped"));
        QTest::newRow("unreadable") << std::optional<SweepResult>() << false
                                    << Entry::error(start + QStringLiteral("couldn't open the folder"));
    }
    void deleteAllLines()
    {
        QFETCH(std::optional<SweepResult>, result);
        QFETCH(bool, permanently);
        QFETCH(Entry, expected);
        QCOMPARE(SweepLog::deleteAllEntry(kFolder + QLatin1Char('/'), permanently, result), expected);
    }
};

QTEST_GUILESS_MAIN(SweepLogTest)
#include "tst_SweepLog.moc"
