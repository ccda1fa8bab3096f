#include "core/capture/ByteCountText.h"
#include "core/capture/FreeSpaceGate.h"
#include "core/capture/LockFacts.h"
#include "core/capture/VolumeSpace.h"

#include <QtTest>

using Bytes = std::optional<qint64>;
Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(LockFacts::Session)

// The facts that pause capture: free space and a locked screen.
class CaptureGatesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void byteCounts_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0LL << "Zero KB";
        QTest::newRow("one") << 1LL << "1 byte";
        QTest::newRow("rounds up a unit") << 999999LL << "1 MB";
        QTest::newRow("megabytes") << 4250000LL << "4.3 MB";
        QTest::newRow("two decimals") << 5123456789LL << "5.12 GB";
    }
    void byteCounts()
    {
        QFETCH(qint64, bytes);
        QTEST(ByteCountText::file(bytes), "text");
    }

    void freeSpace_data()
    {
        QTest::addColumn<Bytes>("limit");
        QTest::addColumn<Bytes>("free");
        QTest::addColumn<Bytes>("wasLow");
        QTest::addColumn<bool>("isLow");
        QTest::addColumn<Bytes>("shown");
        QTest::addColumn<QString>("line");
        const Bytes off, limit = 5000000000LL, low = 4900000000LL, max = std::numeric_limits<qint64>::max();
        QTest::newRow("exactly the limit") << limit << Bytes(5000000000LL) << off << false << off << "";
        QTest::newRow("drops below") << limit << low << off << true << low
                                     << "Low disk space: 4.9 GB free, limit 5 GB; skipping captures";
        QTest::newRow("still inside the margin")
            << limit << Bytes(5999999999LL) << low << true << Bytes(5999999999LL) << "";
        QTest::newRow("past the margin") << limit << Bytes(6000000000LL) << low << false << off
                                         << "Capturing again: 6 GB free";
        QTest::newRow("limit off while low")
            << off << off << Bytes(1LL) << false << off << "Capturing again: free-space limit off";
        QTest::newRow("huge limit") << max << Bytes(10LL) << Bytes(5LL) << true << Bytes(10LL) << "";
    }
    void freeSpace()
    {
        QFETCH(Bytes, limit);
        QFETCH(Bytes, free);
        QFETCH(Bytes, wasLow);
        const FreeSpaceGate::Verdict verdict = FreeSpaceGate::evaluate(limit, free, wasLow);
        QTEST(verdict.isLow, "isLow");
        QTEST(verdict.lowSpaceFreeBytes, "shown");
        QTEST(verdict.logLine, "line");
    }

    void freeBytesOfAFolderNotYetCreated()
    {
        QTemporaryDir dir;
        const qint64 expected = QStorageInfo(dir.path()).bytesAvailable();
        const Bytes measured = VolumeSpace::freeBytes(dir.path() + QStringLiteral("/not/yet/there"));
        QVERIFY(measured.has_value());
        QVERIFY(qAbs(*measured - expected) < 64 * 1024 * 1024);  // others write meanwhile
        QVERIFY(!VolumeSpace::freeBytes(QString()).has_value());
    }

    void lock_data()
    {
        using S = LockFacts::Session;
        QTest::addColumn<LockFacts::Session>("session");
        QTest::addColumn<int>("lockedHint");  // -1 unknown, 0 false, 1 true
        QTest::addColumn<int>("active");
        QTest::addColumn<bool>("screenSaver");
        QTest::addColumn<int>("displaysOff");
        QTest::addColumn<bool>("locked");
        QTest::newRow("all clear") << S::Present << 0 << 1 << false << 0 << false;
        QTest::newRow("nothing known") << S::Unknown << -1 << -1 << false << -1 << false;
        QTest::newRow("session gone") << S::Missing << -1 << -1 << false << -1 << true;
        QTest::newRow("locked hint") << S::Present << 1 << 1 << false << 0 << true;
        QTest::newRow("switched user") << S::Present << 0 << 0 << false << 0 << true;
        QTest::newRow("screen saver, session says unlocked") << S::Present << 0 << 1 << true << 0 << true;
        QTest::newRow("screen saver without logind") << S::Unknown << -1 << -1 << true << -1 << true;
        QTest::newRow("every display off") << S::Present << 0 << 1 << false << 1 << true;
    }
    void lock()
    {
        const auto known = [](int v) { return v < 0 ? std::optional<bool>() : std::optional<bool>(v == 1); };
        QFETCH(LockFacts::Session, session);
        QFETCH(int, lockedHint);
        QFETCH(int, active);
        QFETCH(bool, screenSaver);
        QFETCH(int, displaysOff);
        const LockFacts facts{session, known(lockedHint), known(active), screenSaver, known(displaysOff)};
        QTEST(facts.isLocked(), "locked");
    }
};

QTEST_GUILESS_MAIN(CaptureGatesTest)
#include "tst_CaptureGates.moc"
