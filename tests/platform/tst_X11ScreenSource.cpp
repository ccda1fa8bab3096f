#include "core/library/LibraryLayout.h"
#include "platform/X11TestDesk.h"
#include "platform/linux/x11/X11ScreenSource.h"
#include "support/core/TestHome.h"
#include "support/XvfbServer.h"

#include <QtTest>

namespace {
constexpr quint32 kBlue = 0x0000ff, kRed = 0xff0000, kGreen = 0x00ff00, kMagenta = 0xff00ff, kYellow = 0xffff00,
                  kCyan = 0x00ffff, kOrange = 0xff8000, kPurple = 0x8000ff, kWallpaper = 0x206020, kBlack = 0;
}

// Displays and captures against a private Xvfb with three RandR monitors of
// different sizes. Windows of excluded applications leave no pixel in the
// image, on top or covered, with and without a window manager, while the
// other windows stay whole.
class TestX11ScreenSource : public QObject
{
    Q_OBJECT

    TestHome m_home;
    XvfbServer m_server;
    std::unique_ptr<X11TestDesk> m_desk;

    static DisplayInfo displayNamed(const ShareableContent& content, const QString& name)
    {
        for (const DisplayInfo& display : content.displays)
            if (display.name == name)
                return display;
        return {};
    }

    static Result<Bitmap> captureMain(X11ScreenSource& source, const DisplayCaptureRequest& request)
    {
        const Result<ShareableContent> content = source.content();
        return content ? source.capture(content->displays.first(), request) : Result<Bitmap>::failure(content.error());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start("3200x1900x24"), qPrintable(m_server.error()));
        for (const QStringList& monitor : QList<QStringList>{{"*A", "1920/508x1080/286+0+0", "screen"},
                                                            {"B", "1280/340x1024/270+1920+0", "none"},
                                                            {"C", "1024/270x768/203+0+1080", "none"}})
            QVERIFY2(m_server.run("xrandr", QStringList{"--setmonitor"} + monitor) == 0,
                     "xrandr failed (Debian package x11-xserver-utils)");
        // QtTest points the data folders into the test's own home.
        const QString applications = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
        QVERIFY(QDir().mkpath(applications));
        QFile desktop(applications + "/org.example.ViaClass.desktop");
        QVERIFY(desktop.open(QIODevice::WriteOnly));
        desktop.write("[Desktop Entry]\nType=Application\nName=Via Class\nExec=true\nStartupWMClass=ViaClassApp\n");
        m_desk = std::make_unique<X11TestDesk>();
        QVERIFY(m_desk->isConnected());
        m_desk->setBackground(kWallpaper);
    }

    void cleanup() { m_desk->destroyAll(); }

    void listsMonitorsInServerOrderWithTheirGeometry()
    {
        X11ScreenSource source;
        const Result<ShareableContent> content = source.content();
        QVERIFY2(content.ok(), qPrintable(content.error()));
        QStringList names;
        QList<QRect> places;
        QSet<QString> identities;
        for (const DisplayInfo& display : content->displays) {
            names << display.name;
            places << QRect(display.x, display.y, display.width, display.height);
            QCOMPARE(display.isMain, display.name == "screen");
            QVERIFY(!display.isBuiltIn);
            identities.insert(LibraryLayout::displayIdentity(display.facts));
        }
        // The first monitor is named after its output; the others have none.
        QCOMPARE(names, (QStringList{"screen", "B", "C"}));
        QCOMPARE(places, (QList<QRect>{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}, {0, 1080, 1024, 768}}));
        QCOMPARE(identities.size(), 3);
        // A removed monitor is gone, and keeps its identity when it is back.
        QCOMPARE(m_server.run("xrandr", {"--delmonitor", "B"}), 0);
        QCOMPARE(source.content()->displays.size(), 2);
        QCOMPARE(m_server.run("xrandr", {"--setmonitor", "B", "1280/340x1024/270+1920+0", "none"}), 0);
        const Result<ShareableContent> with = source.content();
        QCOMPARE(with->displays.size(), 3);
        QCOMPARE(LibraryLayout::displayIdentity(displayNamed(*with, "B").facts),
                 LibraryLayout::displayIdentity(content->displays[1].facts));
    }

    void edidAndDesktopScaleAreRead()
    {
        QFile blob(MOMENTRA_TEST_DATA "/edid/dell-u2720q.bin");
        QVERIFY(blob.open(QIODevice::ReadOnly));
        const quint32 output = displayNamed(*X11ScreenSource().content(), "screen").facts.displayNumber;
        QVERIFY(output != 0);
        m_desk->setOutputEdid(output, blob.readAll());
        const QStringList resources{"-root", "-f", "RESOURCE_MANAGER", "8s", "-set", "RESOURCE_MANAGER"};
        QCOMPARE(m_server.run("xprop", resources + QStringList{"Xft.antialias:\t1\nXft.dpi:\t192\n"}), 0);
        X11ScreenSource source;
        const Result<ShareableContent> content = source.content();
        m_desk->setOutputEdid(output, {});
        QCOMPARE(m_server.run("xprop", {"-root", "-remove", "RESOURCE_MANAGER"}), 0);
        QVERIFY(content.ok());
        const DisplayInfo& display = content->displays[0];
        QCOMPARE(display.name, "DELL U2720Q");
        QCOMPARE(LibraryLayout::displayIdentity(display.facts), "edid:4268-41156-1279930672");
        QCOMPARE(display.logicalWidth, 960);
        QCOMPARE(display.width, 1920);
        QCOMPARE(source.content()->displays[0].name, "screen");
    }

    // One window straddling monitors A and B: each image holds only its own part. With and without
    // shared memory, a request for half the size is scaled down to the same pixels.
    void capturesEachMonitorAtItsSizeAndPlace()
    {
        m_desk->show({QRect(0, 0, 960, 1080), kRed});
        m_desk->show({QRect(960, 0, 960, 1080), kBlue});
        m_desk->show({QRect(1820, 100, 300, 200), 0x2050f0});
        X11ScreenSource source;
        X11ScreenSource plain({{}, false, true});
        const Result<ShareableContent> content = source.content();
        QVERIFY(content.ok());
        const Result<Bitmap> a = source.capture(displayNamed(*content, "screen"), {});
        const Result<Bitmap> b = source.capture(displayNamed(*content, "B"), {});
        const Result<Bitmap> c = source.capture(displayNamed(*content, "C"), {});
        QVERIFY2(a.ok() && b.ok() && c.ok(), qPrintable(a.error() + b.error() + c.error()));
        QCOMPARE(QSize(b->width, b->height), QSize(1280, 1024));
        QCOMPARE(X11TestDesk::count(*a, 0x2050f0), 100 * 200);
        QCOMPARE(X11TestDesk::count(*b, 0x2050f0), 200 * 200);
        QCOMPARE(a->pixel(1850, 150), 0xff2050f0u);  // opaque, B G R A in memory
        QCOMPARE(c->pixel(10, 10), 0xff000000u | kWallpaper);

        DisplayCaptureRequest half;
        half.outputWidth = 960;
        half.outputHeight = 540;
        const Result<Bitmap> one = source.capture(content->displays[0], half);
        const Result<Bitmap> two = plain.capture(content->displays[0], half);
        QVERIFY(one.ok() && two.ok());
        QVERIFY(source.lastCaptureUsedShm() && !plain.lastCaptureUsedShm());
        QCOMPARE(two->pixels, one->pixels);
        QCOMPARE(QSize(one->width, one->height), QSize(960, 540));
        QCOMPARE(X11TestDesk::count(*one, kRed), 480 * 540);
        QCOMPARE(X11TestDesk::count(*one, kBlue), 480 * 540 - 50 * 100);  // under the straddling window
    }

    void drawsThePointerOnlyWhenAsked()
    {
        m_desk->show({QRect(400, 300, 200, 200), 0x00ff00});
        QCOMPARE(m_server.run("xdotool", {"mousemove", "500", "400"}), 0);
        X11ScreenSource source;
        const DisplayInfo display = source.content()->displays[0];
        DisplayCaptureRequest request;
        const Result<Bitmap> plain = source.capture(display, request);
        request.showsCursor = true;
        const Result<Bitmap> withCursor = source.capture(display, request);
        QVERIFY(plain.ok() && withCursor.ok());
        QCOMPARE(X11TestDesk::count(*plain, 0x00ff00), 200 * 200);
        const int covered = 200 * 200 - X11TestDesk::count(*withCursor, 0x00ff00);
        QVERIFY2(covered > 20 && covered < 2000, qPrintable(QString::number(covered)));
        // A pointer on another monitor leaves this one alone.
        QCOMPARE(m_server.run("xdotool", {"mousemove", "2500", "500"}), 0);
        QCOMPARE(source.capture(display, request)->pixels, plain->pixels);
    }

    // A server without MIT-SHM is captured all the same, and the log says so.
    // When it goes, the capture says so, and the next one tries to connect again.
    void secondServerWithoutShmThenLost()
    {
        const QByteArray mainDisplay = qgetenv("DISPLAY");
        XvfbServer plain;
        QVERIFY2(plain.start("800x600x24", {"-extension", "MIT-SHM"}), qPrintable(plain.error()));
        qputenv("DISPLAY", mainDisplay);
        QStringList reports;
        const auto report = [&reports](const QString& line) { reports << line; };
        X11ScreenSource complete({mainDisplay, true, true, report});
        X11ScreenSource source({plain.display().toLocal8Bit(), true, true, report});
        const Result<ShareableContent> content = source.content();
        QVERIFY(complete.content().ok() && content.ok() && source.capture(content->displays[0], {}).ok());
        QVERIFY(!source.lastCaptureUsedShm());
        QCOMPARE(reports, QStringList{"The X server has no MIT-SHM extension; "
                                      "capturing through slower image transfers"});
        plain.stop();
        QCOMPARE(source.capture(content->displays[0], {}).error(), "The X server connection was lost");
        const Result<Bitmap> again = source.capture(content->displays[0], {});
        QVERIFY2(again.error().contains("Couldn't connect to the X display " + plain.display()), qPrintable(again.error()));
    }

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
        HelperProcess windowManager;
        if (!helper.isEmpty()) {
            windowManager.start(helper, {"--sm-disable"});
            QVERIFY2(windowManager.waitForStarted(), "openbox did not start (Debian package openbox)");
        }
        m_desk->show({QRect(100, 100, 400, 300), kBlue, "org.example.Below"});
        m_desk->show({QRect(300, 200, 400, 300), kRed, "org.example.Secret"});
        m_desk->show({QRect(600, 400, 300, 200), kGreen, "org.example.Above"});
        m_desk->show({QRect(950, 50, 200, 150), kMagenta, {}, QByteArray("viaclass\0ViaClassApp", 20)});
        m_desk->show({QRect(60, 500, 100, 100), kYellow, "org.example.Secret"});
        m_desk->show({QRect(40, 480, 150, 150), kCyan, "org.example.Cover"});
        if (!helper.isEmpty())
            QVERIFY2(m_desk->waitForFrames(), "openbox did not frame the test windows");
        X11ScreenSource source({{}, true, composite});
        const auto painted = [&] {  // every window drawn, the red one in part
            const Result<Bitmap> all = captureMain(source, {});
            return all && X11TestDesk::count(*all, kGreen) == 300 * 200 && X11TestDesk::count(*all, kCyan) == 150 * 150
                   && X11TestDesk::count(*all, kRed) > 0;
        };
        QTRY_VERIFY2(painted(), "the scene did not show");

        DisplayCaptureRequest request;
        request.excludedAppIds = {"org.example.Secret", "org.example.ViaClass"};
        const Result<Bitmap> image = captureMain(source, request);
        QVERIFY2(image.ok(), qPrintable(image.error()));
        const int blue = composite ? 400 * 300 : 400 * 300 - 200 * 200;
        for (const auto& [colour, pixels] : {std::pair{kRed, 0}, {kMagenta, 0}, {kYellow, 0}, {kGreen, 300 * 200},
                                             {kCyan, 150 * 150}, {kBlue, blue}})
            QCOMPARE(X11TestDesk::count(*image, colour), pixels);
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
        const Result<Bitmap> image = captureMain(source, request);
        QVERIFY2(image.ok(), qPrintable(image.error()));
        QCOMPARE(X11TestDesk::count(*image, kOrange), hidesNotifications ? 0 : 300 * 100);
        const int desktopArea = 1280 * 720 - 300 * 100 - (hidesNotifications ? 0 : 300 * 100);
        QCOMPARE(X11TestDesk::count(*image, kPurple), hidesDesktopIcons ? 0 : desktopArea);
        QCOMPARE(X11TestDesk::count(*image, kBlue), 300 * 100);
    }
};

QTEST_GUILESS_MAIN(TestX11ScreenSource)
#include "tst_X11ScreenSource.moc"
