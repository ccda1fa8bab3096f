#include "core/cleanup/SweepLog.h"

#include <QtTest>

using Entry = SweepLog::Entry;
using Entries = QList<SweepLog::Entry>;
using Outcome = std::optional<SweepResult>;
Q_DECLARE_METATYPE(SweepTrigger)
Q_DECLARE_METATYPE(Outcome)

namespace {
const QString kFolder = QStringLiteral("/home/me/Pictures/Momentra");
const QString kSweep = QStringLiteral("Sweep (1 Day) of /home/me/Pictures/Momentra");
const QString kWake = QStringLiteral("Sweep after wake (1 Day) of /home/me/Pictures/Momentra");
const QDateTime kStart = QDateTime(QDate(2024, 5, 1), QTime(10, 24));

Outcome result(int trashed, int failed, bool stopped = false) { return SweepResult{trashed, failed, std::nullopt, stopped}; }
Entries notice(const QString& text) { return {Entry::notice(text)}; }
}  // namespace

class SweepLogTest : public QObject
{
    Q_OBJECT

    static Entries record(SweepLog& log, const Outcome& outcome, SweepTrigger trigger, const QDateTime& at = kStart,
                          bool permanently = false)
    {
        return log.record(outcome, trigger, kFolder, DeletionPolicy::OneDay, permanently, at);
    }

private Q_SLOTS:
    void singlePass_data()
    {
        QTest::addColumn<SweepTrigger>("trigger");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<bool>("permanently");
        QTest::addColumn<Entries>("expected");
        const auto configured = SweepTrigger::Configured;
        const auto wake = SweepTrigger::Wake;
        QTest::newRow("configured, nothing removed: still a line") << configured << result(0, 0) << false << notice(kSweep + QStringLiteral(": trashed 0, failed 0"));
        QTest::newRow("configured, permanent") << configured << result(5, 1) << true << notice(kSweep + QStringLiteral(": deleted 5, failed 1"));
        QTest::newRow("wake, nothing removed: no line") << wake << result(0, 0) << false << Entries{};
        QTest::newRow("wake, removed") << wake << result(2, 0) << false << notice(kWake + QStringLiteral(": trashed 2, failed 0"));
        QTest::newRow("stopped timer sweep: only the stop line") << SweepTrigger::Timer << result(4, 2, true) << false
                                                                 << notice(kSweep + QStringLiteral(" stopped by a settings change: trashed 4, failed 2"));
        QTest::newRow("stopped before doing anything: no line") << configured << result(0, 0, true) << false << Entries{};
        QTest::newRow("unlistable after wake") << wake << Outcome() << false
                                               << Entries{Entry::error(QStringLiteral("Sweep after wake couldn't list ") + kFolder)};
    }
    void singlePass()
    {
        QFETCH(SweepTrigger, trigger);
        QFETCH(Outcome, outcome);
        QFETCH(bool, permanently);
        SweepLog log;
        QTEST(record(log, outcome, trigger, kStart, permanently), "expected");
    }

    void listingFailuresAreReportedOncePerStreak()
    {
        SweepLog log;
        QCOMPARE(record(log, Outcome(), SweepTrigger::Timer).size(), 1);
        QCOMPARE(record(log, Outcome(), SweepTrigger::Wake).size(), 0);
        QCOMPARE(record(log, Outcome(), SweepTrigger::Configured).size(), 1);  // a configured sweep always reports
        record(log, result(0, 0), SweepTrigger::Timer);
        QCOMPARE(record(log, Outcome(), SweepTrigger::Timer).size(), 1);
    }

    void timerSummariesAtMostHourly()
    {
        SweepLog log;
        const auto timer = [&](int trashed, int seconds) { return record(log, result(trashed, 0), SweepTrigger::Timer, kStart.addSecs(seconds)); };
        QCOMPARE(timer(3, 0), notice(kSweep + QStringLiteral(": trashed 3")));  // the first pass at once
        QCOMPARE(timer(10, 600), Entries{});
        QCOMPARE(timer(0, 1200), Entries{});
        QCOMPARE(timer(30, 3599), Entries{});
        QCOMPARE(timer(5, 3600), notice(kSweep + QStringLiteral(": trashed 45 in 3 passes since 2024-05-01 10:34")));
        log.pending = SweepLog::Pending{9, 40, kStart};
        QCOMPARE(log.takeSummary(kFolder, DeletionPolicy::OneDay, true, kStart.addSecs(30)),
                 notice(kSweep + QStringLiteral(": deleted 40 in 9 passes since 2024-05-01 10:24")));
        QCOMPARE(log.takeSummary(kFolder, DeletionPolicy::OneDay, true, kStart.addSecs(60)), Entries{});
    }

    void timerFailuresOnlyOnChange()
    {
        SweepLog log;
        const auto timer = [&](int failed, bool permanently = false) {
            return record(log, result(0, failed), SweepTrigger::Timer, kStart, permanently);
        };
        QCOMPARE(timer(2), Entries{Entry::error(kSweep + QStringLiteral(": couldn't move 2 to the Trash"))});
        QCOMPARE(timer(2), Entries{});
        QCOMPARE(timer(0), notice(kSweep + QStringLiteral(": nothing failing anymore")));
        QCOMPARE(timer(0), Entries{});
        QCOMPARE(timer(1, true), Entries{Entry::error(kSweep + QStringLiteral(": couldn't delete 1"))});
    }

    void deleteAllLines_data()
    {
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<bool>("permanently");
        QTest::addColumn<Entry>("expected");
        const QString start = QStringLiteral("Delete all in /home/me/Pictures/Momentra: ");
        QTest::newRow("trashed with failures") << result(1520, 3) << false << Entry::notice(start + QStringLiteral("trashed 1520, 3 failed"));
        QTest::newRow("stopped") << result(2, 0, true) << false << Entry::notice(start + QStringLiteral("trashed 2, stopped"));
        QTest::newRow("unreadable") << Outcome() << false << Entry::error(start + QStringLiteral("couldn't open the folder"));
    }
    void deleteAllLines()
    {
        QFETCH(Outcome, outcome);
        QFETCH(bool, permanently);
        QTEST(SweepLog::deleteAllEntry(kFolder + QLatin1Char('/'), permanently, outcome), "expected");
    }
};

QTEST_GUILESS_MAIN(SweepLogTest)
#include "tst_SweepLog.moc"
