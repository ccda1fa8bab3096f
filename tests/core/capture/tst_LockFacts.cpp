#include "core/capture/LockFacts.h"

#include <QtTest>

Q_DECLARE_METATYPE(LockFacts::Session)

class TestLockFacts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lockTest_data()
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
    void lockTest()
    {
        const auto optional = [](int v) { return v < 0 ? std::optional<bool>() : std::optional<bool>(v == 1); };
        QFETCH(LockFacts::Session, session);
        QFETCH(int, lockedHint);
        QFETCH(int, active);
        QFETCH(bool, screenSaver);
        QFETCH(int, displaysOff);
        QTEST((LockFacts{session, optional(lockedHint), optional(active), screenSaver, optional(displaysOff)}.isLocked()), "locked");
    }
};

QTEST_GUILESS_MAIN(TestLockFacts)
#include "tst_LockFacts.moc"
