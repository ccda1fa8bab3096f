#include "core/LoginItems.h"
#include "core/capture/ScreenCapturePermission.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "support/core/TestHome.h"
#include "ui/PermissionAlert.h"
#include "ui/onboarding/OnboardingWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <atomic>

class FakePermission : public ScreenCapturePermission
{
public:
    bool granted = false;
    bool grantsOnRequest = false;
    bool isGranted() override { return granted; }
    void request() override { granted = grantsOnRequest; }
};

class FakeLoginItems : public LoginItems
{
public:
    std::atomic<int> registrations = 0;
    Status status() const override { return registrations ? Status::Enabled : Status::NotRegistered; }
    Result<void> registerItem() override
    {
        ++registrations;
        return Result<void>::success();
    }
    Result<void> unregisterItem() override { return Result<void>::success(); }
};

class OnboardingTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    FakePermission m_permission;
    FakeLoginItems m_loginItems;
    std::unique_ptr<DefaultsStore> m_store;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<OnboardingWindow> m_window;
    int m_finishes = 0;
    int m_restarts = 0;

    template <typename T = QWidget>
    T* child(const char* name) const
    {
        return m_window->findChild<T*>(QLatin1String(name));
    }
    void open()
    {
        m_window = std::make_unique<OnboardingWindow>(
            *m_preferences, m_permission, m_loginItems,
            OnboardingWindow::Actions{[this] { ++m_finishes; }, [this] { ++m_restarts; }, {}});
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void pressReturn()
    {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : m_window.get(), Qt::Key_Return);
    }

private Q_SLOTS:
    void init()
    {
        m_store = std::make_unique<DefaultsStore>(m_home.settingsFile(), m_home.log());
        m_preferences = std::make_unique<Preferences>(*m_store);
        m_loginItems.registrations = 0;
        m_finishes = m_restarts = 0;
    }
    void cleanup() { m_window.reset(); }

    // The primary button through both pages, pressed with Return as a user would.
    void flow_data()
    {
        QTest::addColumn<bool>("seenWelcome");  // a restart during onboarding
        QTest::addColumn<bool>("startAtLogin");
        QTest::addColumn<bool>("granted");  // before any request
        QTest::addColumn<bool>("grantsOnRequest");
        QTest::addColumn<int>("permissionReturns");
        QTest::addColumn<int>("registrations");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("hint");
        QTest::addColumn<int>("finishes");
        QTest::addColumn<int>("restarts");
        QTest::newRow("first run, granted") << false << true << true << false << 1 << 1 << "Done" << false << 1 << 0;
        QTest::newRow("switch off") << false << false << true << false << 0 << 0 << "Done" << false << 0 << 0;
        QTest::newRow("reopened, not asked")
            << true << true << false << false << 0 << 0 << "Allow Screen Recording…" << false << 0 << 0;
        QTest::newRow("refused") << true << true << false << false << 2 << 0 << "Restart Momentra" << true << 0 << 1;
        QTest::newRow("allowed") << true << true << false << true << 1 << 0 << "Done" << false << 0 << 0;
    }
    void flow()
    {
        QFETCH(bool, seenWelcome);
        QFETCH(bool, startAtLogin);
        QFETCH(QString, title);
        m_preferences->setHasSeenOnboardingWelcome(seenWelcome);
        QFETCH(bool, granted);
        m_permission.granted = granted;
        QFETCH(bool, grantsOnRequest);
        m_permission.grantsOnRequest = grantsOnRequest;
        open();
        auto* loginSwitch = child<QCheckBox>("startAtLogin");
        QCOMPARE(loginSwitch->isVisible(), !seenWelcome);
        if (!seenWelcome) {
            QCOMPARE(child<QPushButton>("primary")->text(), "Continue");
            loginSwitch->setChecked(startAtLogin);
            pressReturn();
            pressReturn();  // while the first is still at work
            QTRY_VERIFY(!loginSwitch->isVisible());
            QVERIFY(m_preferences->hasSeenOnboardingWelcome());
        }
        QTEST(int(m_loginItems.registrations), "registrations");
        QFETCH(int, permissionReturns);
        for (int i = 0; i < permissionReturns; ++i)
            pressReturn();
        QCOMPARE(child<QPushButton>("primary")->text(), title);
        QCOMPARE(child("granted")->isVisible(), title == "Done");
        QTEST(child("hint")->isVisible(), "hint");
        QTEST(m_finishes, "finishes");
        QTEST(m_restarts, "restarts");
        for (auto* button : m_window->findChildren<QAbstractButton*>())
            QCOMPARE(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name), button->text());
    }

    void permissionReadAgainWhenAWindowBecomesActive()
    {
        m_preferences->setHasSeenOnboardingWelcome(true);
        m_permission.granted = false;
        open();
        m_permission.granted = true;
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_COMPARE(child<QPushButton>("primary")->text(), "Done");
    }

    void closingFinishesButEscapeDoesNot()
    {
        open();
        QSignalSpy closed(m_window.get(), &OnboardingWindow::closed);
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        QVERIFY(m_window->isVisible());
        m_window->close();
        QCOMPARE(closed.count(), 1);
    }

    void permissionAlertOpensSettingsOnlyWhenChosen_data()
    {
        QTest::addColumn<bool>("hasPage");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<int>("opened");
        QTest::newRow("open") << true << "Open Settings" << QStringList{"Open Settings", "Later"} << 1;
        QTest::newRow("later") << true << "Later" << QStringList{"Open Settings", "Later"} << 0;
        QTest::newRow("no page") << false << "Later" << QStringList{"Later"} << 0;
    }
    void permissionAlertOpensSettingsOnlyWhenChosen()
    {
        QFETCH(bool, hasPage);
        QFETCH(QString, answer);
        int opened = 0;
        QStringList buttons;
        QString defaultButton;
        const auto open = hasPage ? std::function<void()>([&] { ++opened; }) : std::function<void()>();
        PermissionAlert::show(open, nullptr, [&](QMessageBox& box) -> QAbstractButton* {
            QAbstractButton* chosen = nullptr;
            for (QAbstractButton* button : box.buttons()) {
                buttons << button->text();
                chosen = button->text() == answer ? button : chosen;
            }
            defaultButton = box.defaultButton()->text();
            return chosen;
        });
        QTEST(buttons, "buttons");
        QCOMPARE(defaultButton, buttons.first());
        QTEST(opened, "opened");
    }
};

QTEST_MAIN(OnboardingTest)
#include "tst_Onboarding.moc"
