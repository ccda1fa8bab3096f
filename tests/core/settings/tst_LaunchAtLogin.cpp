#include "core/settings/LaunchAtLogin.h"
#include "support/core/TestHome.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>

namespace {

using Status = LoginItems::Status;

// A desktop that answers every call with the status and result it was given.
class ScriptedLoginItems : public LoginItems
{
public:
    Status after = Status::NotRegistered;
    QString callError;  // empty: the call succeeds
    std::atomic<bool> calledOnMainThread = false;

    Status status() const override { return m_status; }
    Result<void> registerItem() override { return call(); }
    Result<void> unregisterItem() override { return call(); }

private:
    Result<void> call()
    {
        calledOnMainThread = QThread::currentThread() == qApp->thread();
        m_status = after;
        return callError.isEmpty() ? Result<void>::success() : Result<void>::failure(callError);
    }
    std::atomic<Status> m_status = Status::NotRegistered;
};

}  // namespace

class LaunchAtLoginTest : public QObject
{
    Q_OBJECT

    TestHome m_home;

private Q_SLOTS:
    void outcomeExplainsTheStatus_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<Status>("after");
        QTest::addColumn<QString>("callError");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("needsApproval");

        const QString none;
        QTest::newRow("on") << true << Status::Enabled << none << none << false;
        QTest::newRow("approval needed") << true << Status::RequiresApproval << "refused"
                                         << LaunchAtLogin::kApprovalMessage << true;
        QTest::newRow("not found") << true << Status::NotFound << "temporary" << LaunchAtLogin::kNotFoundMessage
                                   << false;
        QTest::newRow("failed with a reason") << true << Status::NotRegistered << "disk full"
                                              << "Couldn't change launch at login: disk full" << true;
        QTest::newRow("success that changed nothing")
            << true << Status::NotRegistered << none << LaunchAtLogin::kManualMessage << true;
        QTest::newRow("off") << false << Status::NotRegistered << none << none << false;
        QTest::newRow("off failed") << false << Status::Enabled << "read-only"
                                    << "Couldn't change launch at login: read-only" << true;
    }

    void outcomeExplainsTheStatus()
    {
        QFETCH(bool, enabled);
        QFETCH(Status, after);
        QFETCH(QString, callError);
        QFETCH(QString, error);
        QFETCH(bool, needsApproval);

        ScriptedLoginItems items;
        items.after = after;
        items.callError = callError;
        LaunchAtLogin launch(items, m_home.log());
        QSignalSpy changed(&launch, &LaunchAtLogin::changed);

        launch.setLaunchAtLogin(enabled);
        QCOMPARE(changed.count(), 1);
        QVERIFY(launch.isBusy());
        QTRY_COMPARE(changed.count(), 2);
        QVERIFY(!launch.isBusy());
        QVERIFY(!items.calledOnMainThread);
        QCOMPARE(launch.error(), error);
        QCOMPARE(launch.needsApproval(), needsApproval);
        QCOMPARE(launch.isEnabled(), after == Status::Enabled);
    }
};

QTEST_GUILESS_MAIN(LaunchAtLoginTest)
#include "tst_LaunchAtLogin.moc"
