#include "app/ApplicationRestart.h"
#include "core/LoginItems.h"
#include "core/capture/ScreenCapturePermission.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "support/core/TestHome.h"
#include "ui/onboarding/OnboardingWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class FakeConsent : public ScreenCapturePermission, public LoginItems
{
public:
    bool granted = false;
    bool grantsOnRequest = false;
    int registrations = 0;  // read once the window has seen the registration finish
    bool isGranted() override { return granted; }
    void request() override { granted = grantsOnRequest; }
    Status status() const override { return Status::NotRegistered; }
    Result<void> registerItem() override
    {
        ++registrations;
        return Result<void>::success();
    }
    Result<void> unregisterItem() override { return Result<void>::success(); }
};

// Run with this variable set, the binary is an instance that notes its start
// and arguments in the file it names; the first one restarts.
static const char* kInstanceMarker = "ONBOARDING_TEST_MARKER";

static QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

static int runInstance(int argc, char** argv)
{
    const QString marker = qEnvironmentVariable(kInstanceMarker);
    const bool restarted = QFile::exists(marker);
    QCoreApplication app(argc, argv);
    const auto note = [&](const QByteArray& line) {
        QFile file(marker);
        if (file.open(QIODevice::Append))
            file.write(line + '\n');
    };
    note("start " + QCoreApplication::arguments().mid(1).join(u'|').toUtf8());
    if (restarted)
        return 0;
    QTimer::singleShot(0, [] { ApplicationRestart::restart(&QCoreApplication::quit); });
    app.exec();
    // Shutting down takes a while (the session's name is still held): an
    // instance started too early would note its start meanwhile.
    (void)QTest::qWaitFor([&, noted = contents(marker)] { return contents(marker) != noted; }, 1000);
    note("shut down");
    return 0;
}

class OnboardingTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    DefaultsStore m_store{m_home.settingsFile(), m_home.log()};
    Preferences m_preferences{m_store};
    FakeConsent m_fake;
    QString m_called;

    void pressReturn() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }

private Q_SLOTS:
    // The primary button through both pages, pressed with Return as a user would.
    void flow_data()
    {
        QTest::addColumn<bool>("seenWelcome");  // reopened after a restart during onboarding
        QTest::addColumn<bool>("startAtLogin");
        QTest::addColumn<QString>("consent");
        QTest::addColumn<int>("permissionReturns");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("registrations");
        QTest::addColumn<QString>("called");
        QTest::newRow("first run") << false << true << "given" << 1 << "Done" << 1 << "finish";
        QTest::newRow("switch off") << false << false << "given" << 0 << "Done" << 0 << "";
        QTest::newRow("reopened") << true << true << "refused" << 0 << "Allow Screen Recording…" << 0 << "";
        QTest::newRow("refused") << true << true << "refused" << 2 << "Restart Momentra" << 0 << "restart";
        QTest::newRow("allowed") << true << true << "on request" << 1 << "Done" << 0 << "";
    }
    void flow()
    {
        QFETCH(bool, seenWelcome);
        QFETCH(bool, startAtLogin);
        QFETCH(QString, consent);
        QFETCH(int, permissionReturns);
        QFETCH(QString, title);
        m_fake.granted = consent == "given";
        m_fake.grantsOnRequest = consent == "on request";
        m_fake.registrations = 0;
        m_called.clear();
        m_preferences.setHasSeenOnboardingWelcome(seenWelcome);
        OnboardingWindow window(m_preferences, m_fake, m_fake,
                                {[this] { m_called += "finish"; }, [this] { m_called += "restart"; }, {}});
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* loginSwitch = window.findChild<QCheckBox*>("startAtLogin");
        QCOMPARE(loginSwitch->isVisible(), !seenWelcome);
        if (!seenWelcome) {
            loginSwitch->setChecked(startAtLogin);
            pressReturn();
            pressReturn();  // while the first is still at work
            QTRY_VERIFY(!loginSwitch->isVisible());
            QVERIFY(m_preferences.hasSeenOnboardingWelcome());
        }
        QTEST(m_fake.registrations, "registrations");
        for (int i = 0; i < permissionReturns; ++i)
            pressReturn();
        QCOMPARE(window.findChild<QPushButton*>("primary")->text(), title);
        QCOMPARE(window.findChild<QWidget*>("granted")->isVisible(), title == "Done");
        QCOMPARE(window.findChild<QWidget*>("hint")->isVisible(), title == "Restart Momentra");
        QTEST(m_called, "called");
        for (auto* button : window.findChildren<QAbstractButton*>())
            QCOMPARE(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name), button->text());
        // Closing finishes; Escape, as in any ordinary window, does not close it.
        QSignalSpy closed(&window, &OnboardingWindow::closed);
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(window.isVisible());
        window.close();
        QCOMPARE(closed.count(), 1);
    }

    // The same arguments, unsplit by any shell, started once the old instance has shut down.
    void restartRunsTheSameCommandAfterShuttingDown()
    {
        const QString marker = m_home.path() + "/marker";
        qputenv(kInstanceMarker, QFile::encodeName(marker));
        QCOMPARE(QProcess::execute(QCoreApplication::applicationFilePath(), {"run", "two words;", "$0"}), 0);
        QTRY_COMPARE(contents(marker), "start run|two words;|$0\nshut down\nstart run|two words;|$0\n");
    }
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kInstanceMarker))
        return runInstance(argc, argv);
    QApplication app(argc, argv);
    OnboardingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Onboarding.moc"
