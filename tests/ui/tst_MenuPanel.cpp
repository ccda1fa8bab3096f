#include "core/capture/DisplayCapture.h"
#include "core/capture/ScreenCapturePermission.h"
#include "core/capture/ScreenshotManager.h"
#include "core/library/LibraryLayout.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "core/status/TrayStatus.h"
#include "support/core/CaptureEngineFakes.h"
#include "support/core/TestHome.h"
#include "ui/panel/FeedbackPromptView.h"
#include "ui/panel/MenuPanelView.h"
#include "ui/panel/MenuRow.h"
#include "ui/panel/PanelPlacement.h"
#include "ui/panel/PanelWindow.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <QToolButton>

struct GrantedPermission : ScreenCapturePermission
{
    bool isGranted() override { return true; }
    void request() override {}
};

// The panel driven as a user drives it, over a real engine with fake displays.
class MenuPanelTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    DefaultsStore m_store{m_home.settingsFile(), m_home.log()};
    Preferences m_preferences{m_store};
    FakeScreenSource m_source;
    TestCodec m_codec;
    FakeSessionState m_session;
    DisplayCapture m_capture{m_source, m_codec};
    ScreenshotManager m_engine{m_capture, m_session, m_home.log()};
    GrantedPermission m_permission;
    TrayStatus m_status{m_engine, m_permission};
    QList<QUrl> m_opened;
    std::unique_ptr<PanelWindow> m_window;

    MenuPanelView& view() { return *m_window->view(); }

private Q_SLOTS:
    void initTestCase()
    {
        m_source.setDisplays({FakeScreenSource::display(1, 64, 48)});
        m_preferences.setFolderPath(m_home.picturesFolder());
        MenuPanelView::Actions actions{
            [this] {
                m_engine.isCapturing() ? m_engine.stop() : void(m_engine.start(m_preferences.captureConfiguration()));
            },
            {},
            {},
            {},
            {},
            [this](const QUrl& url) { m_opened.append(url); },
        };
        m_window = std::make_unique<PanelWindow>(new MenuPanelView(m_status, m_preferences, actions));
    }
    void init()
    {
        m_opened.clear();
        m_window->open();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window->hide(); }

    void startStopAndCountdown()
    {
        QVERIFY(view().updatesRow()->isHidden());
        QCOMPARE(view().statusTexts(), QStringList{"Not capturing"});
        QTest::mouseClick(view().startStopRow(), Qt::LeftButton);
        QCOMPARE(view().startStopRow()->accessibleName(), "Stop Screenshots");
        QCOMPARE(view().statusTexts().value(0), "Capturing");
        const QString countdown = view().statusTexts().value(1);
        QVERIFY2(countdown.startsWith("Next in 1:00") || countdown.startsWith("Next in 0:59"), qPrintable(countdown));
        QVERIFY(view().isCountingDown());
        QTRY_VERIFY(view().statusTexts().value(1) != countdown);  // it counts live
        m_window->hide();
        QVERIFY(!view().isCountingDown());
        m_window->open();
        QTest::keyClick(view().startStopRow(), Qt::Key_Return);
        QCOMPARE(view().startStopRow()->title(), "Start Screenshots");
    }

    void altSwitchesTheFolderRow()
    {
        const QString today = m_home.picturesFolder() + "/"
                              + LibraryLayout::dayFolderName(QDateTime::currentDateTime());
        QVERIFY(QDir().mkpath(today));
        QTest::keyPress(view().folderRow(), Qt::Key_Alt, Qt::AltModifier);
        QCOMPARE(view().folderRow()->accessibleName(), "Open Today's Folder");
        QTest::mouseClick(view().folderRow(), Qt::LeftButton);
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(today)});
        QVERIFY(!m_window->isVisible());  // the row dismissed the panel
        m_window->open();
        QTest::keyRelease(view().folderRow(), Qt::Key_Alt);
        QCOMPARE(view().folderRow()->title(), "Open Screenshots Folder");
    }

    void escapeCloses()
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!m_window->isVisible());
    }

    void feedbackPrompt()
    {
        QVERIFY(view().feedbackPrompt()->isHidden());
        m_preferences.setCaptureDayCount(3);
        FeedbackPromptView& prompt = *view().feedbackPrompt();
        QVERIFY(prompt.isVisible());
        QTest::mouseClick(prompt.star(4), Qt::LeftButton);
        QEvent enter(QEvent::Enter), leave(QEvent::Leave);
        QApplication::sendEvent(prompt.star(2), &enter);
        QCOMPARE(prompt.star(3)->text(), "☆");  // two filled while hovering the second
        QApplication::sendEvent(prompt.star(2), &leave);
        QCOMPARE(prompt.star(4)->text(), "★");
        QTest::mouseClick(prompt.findChild<QPushButton*>("send"), Qt::LeftButton);
        QTRY_COMPARE(m_opened.size(), 1);
        QVERIFY(m_opened[0].query().endsWith("rating=★★★★☆"));
        QVERIFY(m_preferences.hasRespondedToFeedbackPrompt() && prompt.isHidden());
    }

    void placement_data()
    {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QRect>("placed");
        const QRect area(0, 30, 1000, 770);  // a 30-pixel top bar
        QTest::newRow("below a top-bar icon") << QRect(900, 5, 20, 20) << QRect(700, 30, 300, 200);
        QTest::newRow("above a bottom-bar icon") << QRect(480, 790, 20, 20) << QRect(339, 586, 300, 200);
        QTest::newRow("beside a left-bar icon") << QRect(0, 400, 24, 24) << QRect(28, 311, 300, 200);
        QTest::newRow("pointer in a corner") << QRect(999, 799, 1, 1) << QRect(700, 595, 300, 200);
    }
    void placement()
    {
        QFETCH(QRect, anchor);
        QFETCH(QRect, placed);
        QCOMPARE(PanelPlacement::place(anchor, QSize(300, 200), QRect(0, 30, 1000, 770)), placed);
    }
};

QTEST_MAIN(MenuPanelTest)
#include "tst_MenuPanel.moc"
