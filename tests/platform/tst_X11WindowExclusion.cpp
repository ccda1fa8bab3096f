#include "platform/X11TestDesk.h"
#include "platform/linux/x11/X11ScreenSource.h"
#include "support/core/TestHome.h"
#include "support/XvfbServer.h"

#include <QtTest>

namespace {
constexpr quint32 kBlue = 0x0000ff, kRed = 0xff0000, kGreen = 0x00ff00, kMagenta = 0xff00ff, kYellow = 0xffff00,
                  kCyan = 0x00ffff, kOrange = 0xff8000, kPurple = 0x8000ff, kWallpaper = 0x206020, kBlack = 0;
}

// Windows of excluded applications must leave no pixel in the image, whether
// on top or covered, with and without a window manager, while
// the other windows stay whole.
class TestX11WindowExclusion : public QObject
{
    Q_OBJECT

private:
    TestHome m_home;
    XvfbServer m_server;
    std::unique_ptr<X11TestDesk> m_desk;

    Result<Bitmap> captureFirstDisplay(X11ScreenSource& source, const DisplayCaptureRequest& request)
    {
        const Result<ShareableContent> content = source.content();
        if (!content)
            return Result<Bitmap>::failure(content.error());
        return source.capture(content->displays.first(), request);
    }

    void showScene()
    {
        m_desk->show({QRect(100, 100, 400, 300), kBlue, "org.example.Below"});
        m_desk->show({QRect(300, 200, 400, 300), kRed, "org.example.Secret"});
        m_desk->show({QRect(600, 400, 300, 200), kGreen, "org.example.Above"});
        m_desk->show({QRect(950, 50, 200, 150), kMagenta, {}, QByteArray("viaclass\0ViaClassApp", 20)});
        m_desk->show({QRect(60, 500, 100, 100), kYellow, "org.example.Secret"});
        m_desk->show({QRect(40, 480, 150, 150), kCyan, "org.example.Cover"});
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start("1280x720x24"), qPrintable(m_server.error()));
        QCOMPARE(m_server.run("xrandr", {"--setmonitor", "A", "1280/338x720/190+0+0", "screen"}), 0);
        // QtTest points the data folders into the test's own home.
        const QString applications = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
        QVERIFY(QDir().mkpath(applications));
        QFile desktop(applications + "/org.example.ViaClass.desktop");
        QVERIFY(desktop.open(QIODevice::WriteOnly));
        desktop.write("[Desktop Entry]\nType=Application\nName=Via Class\nExec=true\nStartupWMClass=ViaClassApp\n");
        m_desk = std::make_unique<X11TestDesk>();
        QVERIFY(m_desk->isConnected());
        m_desk->setRootColour(kWallpaper);
        m_desk->setWallpaper(kWallpaper, true);
    }

    void cleanupTestCase()
    {
        m_desk.reset();
        m_server.stop();
    }

    void cleanup() { m_desk->destroyAll(); }

    void excludedApplicationLeavesNoPixel_data()
    {
        QTest::addColumn<QString>("helper");
        QTest::addColumn<bool>("composite");
        // Rebuilt from window contents, the covered part of the blue window comes back;
        // painted over, it stays hidden under black.
        QTest::newRow("no window manager, rebuilt") << QString() << true;
        QTest::newRow("no window manager, painted over") << QString() << false;
        QTest::newRow("openbox, rebuilt") << "openbox" << true;
    }

    void excludedApplicationLeavesNoPixel()
    {
        QFETCH(QString, helper);
        QFETCH(bool, composite);
        X11Helper running;
        if (!helper.isEmpty()) {
            const QString error = running.start(helper, {"--sm-disable"}, helper);
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }
        showScene();
        if (!helper.isEmpty())
            QVERIFY2(m_desk->waitForFrames(), "openbox did not frame the test windows");
        X11ScreenSource source({{}, true, composite});
        const auto painted = [&] {  // every window drawn, the red one in part
            const Result<Bitmap> all = captureFirstDisplay(source, {});
            return all && X11TestDesk::count(*all, kGreen) == 300 * 200 && X11TestDesk::count(*all, kCyan) == 150 * 150
                   && X11TestDesk::count(*all, kRed) > 0;
        };
        QTRY_VERIFY2(painted(), "the scene did not show");

        DisplayCaptureRequest request;
        request.excludedAppIds = {"org.example.Secret", "org.example.ViaClass"};
        const Result<Bitmap> image = captureFirstDisplay(source, request);
        QVERIFY2(image.ok(), qPrintable(image.error()));
        QCOMPARE(X11TestDesk::count(*image, kRed), 0);
        QCOMPARE(X11TestDesk::count(*image, kMagenta), 0);
        QCOMPARE(X11TestDesk::count(*image, kYellow), 0);
        QCOMPARE(X11TestDesk::count(*image, kGreen), 300 * 200);
        QCOMPARE(X11TestDesk::count(*image, kCyan), 150 * 150);
        QCOMPARE(X11TestDesk::count(*image, kBlue), composite ? 400 * 300 : 400 * 300 - 200 * 200);
        // Exactly the excluded windows' visible parts changed: wallpaper when rebuilt, black when not.
        if (helper.isEmpty())
            QCOMPARE(X11TestDesk::count(*image, kBlack), composite ? 0 : (400 * 300 - 100 * 100) + 200 * 150);
    }

    void leavesOutNotificationsAndDesktopWhenAsked_data()
    {
        QTest::addColumn<bool>("hidesNotifications");
        QTest::addColumn<bool>("hidesDesktopIcons");
        QTest::newRow("neither") << false << false;
        QTest::newRow("both") << true << true;
    }

    void leavesOutNotificationsAndDesktopWhenAsked()
    {
        QFETCH(bool, hidesNotifications);
        QFETCH(bool, hidesDesktopIcons);
        m_desk->show({QRect(0, 0, 1280, 720), kPurple, {}, {}, "_NET_WM_WINDOW_TYPE_DESKTOP"});
        m_desk->show({QRect(200, 200, 300, 100), kBlue, "org.example.Editor"});
        m_desk->show({QRect(900, 560, 300, 100), kOrange, {}, {}, "_NET_WM_WINDOW_TYPE_NOTIFICATION", true});
        X11ScreenSource source;
        DisplayCaptureRequest request;
        request.hidesNotifications = hidesNotifications;
        request.hidesDesktopIcons = hidesDesktopIcons;
        const Result<Bitmap> image = captureFirstDisplay(source, request);
        QVERIFY2(image.ok(), qPrintable(image.error()));
        QCOMPARE(X11TestDesk::count(*image, kOrange), hidesNotifications ? 0 : 300 * 100);
        const int desktopArea = 1280 * 720 - 300 * 100 - (hidesNotifications ? 0 : 300 * 100);
        QCOMPARE(X11TestDesk::count(*image, kPurple), hidesDesktopIcons ? 0 : desktopArea);
        QCOMPARE(X11TestDesk::count(*image, kBlue), 300 * 100);
    }
};

QTEST_GUILESS_MAIN(TestX11WindowExclusion)
#include "tst_X11WindowExclusion.moc"
