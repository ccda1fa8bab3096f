#include "core/library/LibraryLayout.h"
#include "platform/X11TestDesk.h"
#include "platform/linux/x11/X11ScreenSource.h"
#include "support/XvfbServer.h"

#include <QtTest>

// Displays and one-shot captures against a private Xvfb with three RandR
// monitors of different sizes.
class TestX11ScreenSource : public QObject
{
    Q_OBJECT

    XvfbServer m_server;
    std::unique_ptr<X11TestDesk> m_desk;

    static DisplayInfo displayNamed(const ShareableContent& content, const QString& name)
    {
        for (const DisplayInfo& display : content.displays)
            if (display.name == name)
                return display;
        return {};
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
        m_desk = std::make_unique<X11TestDesk>();
        QVERIFY(m_desk->isConnected());
        m_desk->setRootColour(0x404040);
    }

    void cleanupTestCase()
    {
        m_desk.reset();
        m_server.stop();
    }

    void cleanup() { m_desk->destroyAll(); }

    void listsMonitorsInServerOrderWithTheirGeometry()
    {
        const Result<ShareableContent> content = X11ScreenSource().content();
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
    }

    void removedMonitorIsGoneAndKeepsItsIdentityWhenBack()
    {
        X11ScreenSource source;
        const QString before = LibraryLayout::displayIdentity(displayNamed(*source.content(), "B").facts);
        QCOMPARE(m_server.run("xrandr", {"--delmonitor", "B"}), 0);
        QCOMPARE(source.content()->displays.size(), 2);
        QCOMPARE(m_server.run("xrandr", {"--setmonitor", "B", "1280/340x1024/270+1920+0", "none"}), 0);
        const Result<ShareableContent> with = source.content();
        QCOMPARE(with->displays.size(), 3);
        QCOMPARE(LibraryLayout::displayIdentity(displayNamed(*with, "B").facts), before);
    }

    void edidAndDesktopScaleAreRead()
    {
        QFile blob(MOMENTRA_TEST_DATA "/edid/dell-u2720q.bin");
        QVERIFY(blob.open(QIODevice::ReadOnly));
        const quint32 output = displayNamed(*X11ScreenSource().content(), "screen").facts.displayNumber;
        QVERIFY(output != 0);
        m_desk->setOutputEdid(output, blob.readAll());
        m_desk->setRootResources("Xft.antialias:\t1\nXft.dpi:\t192\n");
        X11ScreenSource source;
        const Result<ShareableContent> content = source.content();
        m_desk->setOutputEdid(output, {});
        m_desk->setRootResources({});
        QVERIFY(content.ok());
        const DisplayInfo& display = content->displays[0];
        QCOMPARE(display.name, "DELL U2720Q");
        QCOMPARE(LibraryLayout::displayIdentity(display.facts), "edid:4268-41156-1279930672");
        QCOMPARE(display.logicalWidth, 960);
        QCOMPARE(display.width, 1920);
        QCOMPARE(source.content()->displays[0].name, "screen");
    }

    void capturesEachMonitorAtItsSizeAndPlace()
    {
        // One window straddling monitors A and B: each image holds only its own part.
        m_desk->show({QRect(1820, 100, 300, 200), 0x2050f0});
        X11ScreenSource source;
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
        QCOMPARE(c->pixel(10, 10), 0xff404040u);
    }

    // With and without shared memory, scaled down to the requested size.
    void plainRequestScalesToTheSamePixels()
    {
        m_desk->show({QRect(0, 0, 960, 1080), 0xff0000});
        m_desk->show({QRect(960, 0, 960, 1080), 0x0000ff});
        X11ScreenSource shared;
        X11ScreenSource plain({{}, false, true});
        const DisplayInfo display = shared.content()->displays[0];
        DisplayCaptureRequest request;
        request.outputWidth = 960;
        request.outputHeight = 540;
        const Result<Bitmap> one = shared.capture(display, request);
        const Result<Bitmap> two = plain.capture(display, request);
        QVERIFY(one.ok() && two.ok());
        QVERIFY(shared.lastCaptureUsedShm() && !plain.lastCaptureUsedShm());
        QCOMPARE(two->pixels, one->pixels);
        QCOMPARE(QSize(one->width, one->height), QSize(960, 540));
        QCOMPARE(X11TestDesk::count(*one, 0xff0000), 480 * 540);
        QCOMPARE(X11TestDesk::count(*one, 0x0000ff), 480 * 540);
    }

    void drawsThePointerOnlyWhenAsked()
    {
        m_desk->show({QRect(400, 300, 200, 200), 0x00ff00});
        m_desk->warpPointer(500, 400);
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
        m_desk->warpPointer(2500, 500);
        QCOMPARE(source.capture(display, request)->pixels, plain->pixels);
    }

    // A server without MIT-SHM is captured all the same, and the log says so.
    void missingShmIsReportedAndCaptureFallsBack()
    {
        const QByteArray mainDisplay = qgetenv("DISPLAY");
        XvfbServer plain;
        QVERIFY2(plain.start("800x600x24", {"-extension", "MIT-SHM"}), qPrintable(plain.error()));
        qputenv("DISPLAY", mainDisplay);
        QStringList reports;
        const auto report = [&reports](const QString& line) { reports << line; };
        X11ScreenSource complete({mainDisplay, true, true, report});
        X11ScreenSource source({plain.display().toLocal8Bit(), true, true, report});
        QVERIFY(complete.content().ok() && source.capture(source.content()->displays[0], {}).ok());
        QVERIFY(!source.lastCaptureUsedShm());
        QCOMPARE(reports, QStringList{"The X server has no MIT-SHM extension; "
                                      "capturing through slower image transfers"});
    }

    void lostServerGivesAClearMessageAndNoCrash()
    {
        const QByteArray mainDisplay = qgetenv("DISPLAY");
        XvfbServer doomed;
        QVERIFY2(doomed.start("800x600x24"), qPrintable(doomed.error()));
        qputenv("DISPLAY", mainDisplay);
        X11ScreenSource source({doomed.display().toLocal8Bit(), true, true});
        const Result<ShareableContent> content = source.content();
        QVERIFY(content.ok());
        QVERIFY(source.capture(content->displays[0], {}).ok());
        doomed.stop();
        const Result<Bitmap> image = source.capture(content->displays[0], {});
        QVERIFY(!image.ok());
        QCOMPARE(image.error(), "The X server connection was lost");
        // The next call tries to connect again and says it could not.
        const Result<Bitmap> again = source.capture(content->displays[0], {});
        QVERIFY(!again.ok());
        QVERIFY2(again.error().contains("Couldn't connect to the X display " + doomed.display()), qPrintable(again.error()));
    }
};

QTEST_GUILESS_MAIN(TestX11ScreenSource)
#include "tst_X11ScreenSource.moc"
