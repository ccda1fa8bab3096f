#include "core/capture/LibraryLayout.h"
#include "platform/X11TestDesk.h"
#include "platform/linux/x11/X11ScreenSource.h"
#include "support/XvfbServer.h"

#include <QtTest>

#include <xcb/randr.h>
#include <xcb/xcb.h>

// Displays and one-shot captures against a private Xvfb with three RandR
// monitors of different sizes.
class TestX11ScreenSource : public QObject
{
    Q_OBJECT

private:
    XvfbServer m_server;
    std::unique_ptr<X11TestDesk> m_desk;

    QString setMonitors()
    {
        const QList<QStringList> commands{
            {"--setmonitor", "*A", "1920/508x1080/286+0+0", "screen"},
            {"--setmonitor", "B", "1280/340x1024/270+1920+0", "none"},
            {"--setmonitor", "C", "1024/270x768/203+0+1080", "none"},
        };
        for (const QStringList& arguments : commands)
            if (m_server.run(QStringLiteral("xrandr"), arguments) != 0)
                return QStringLiteral("xrandr %1 failed (Debian package x11-xserver-utils)").arg(arguments.join(' '));
        return {};
    }

    static DisplayInfo displayNamed(const ShareableContent& content, const QString& name)
    {
        for (const DisplayInfo& display : content.displays)
            if (display.name == name)
                return display;
        return {};
    }

    void setResources(const QByteArray& text)
    {
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        if (text.isEmpty())
            xcb_delete_property(c, screen->root, XCB_ATOM_RESOURCE_MANAGER);
        else
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 8,
                                text.size(), text.constData());
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        xcb_disconnect(c);
    }

    void setOutputEdid(quint32 output, const QByteArray& edid)
    {
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 4, "EDID"), nullptr);
        if (edid.isEmpty())
            xcb_randr_delete_output_property(c, output, atom->atom);
        else
            xcb_randr_change_output_property(c, output, atom->atom, XCB_ATOM_INTEGER, 8, XCB_PROP_MODE_REPLACE,
                                             edid.size(), edid.constData());
        std::free(atom);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        xcb_disconnect(c);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(QStringLiteral("3200x1900x24")), qPrintable(m_server.error()));
        const QString error = setMonitors();
        QVERIFY2(error.isEmpty(), qPrintable(error));
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
        X11ScreenSource source;
        const Result<ShareableContent> content = source.content();
        QVERIFY2(content.ok(), qPrintable(content.error()));
        QStringList names;
        QList<QRect> places;
        for (const DisplayInfo& display : content->displays) {
            names << display.name;
            places << QRect(display.x, display.y, display.width, display.height);
            QCOMPARE(display.isMain, display.name == QLatin1String("screen"));
            QVERIFY(!display.isBuiltIn);
            QCOMPARE(display.logicalWidth, display.width);
        }
        // The first monitor is named after its output; the others have none.
        QCOMPARE(names, (QStringList{"screen", "B", "C"}));
        QCOMPARE(places, (QList<QRect>{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}, {0, 1080, 1024, 768}}));
    }

    void identitiesAreDistinctAndStable()
    {
        X11ScreenSource first;
        X11ScreenSource second;
        const Result<ShareableContent> one = first.content();
        const Result<ShareableContent> two = second.content();
        QVERIFY(one.ok() && two.ok());
        QSet<QString> identities;
        for (qsizetype i = 0; i < one->displays.size(); ++i) {
            const QString identity = LibraryLayout::displayIdentity(one->displays[i].facts);
            QVERIFY2(identity.startsWith(QLatin1String("displayID:")), qPrintable(identity));
            QCOMPARE(LibraryLayout::displayIdentity(two->displays[i].facts), identity);
            identities.insert(identity);
        }
        QCOMPARE(identities.size(), 3);
    }

    void removedMonitorIsGoneAndKeepsItsIdentityWhenBack()
    {
        X11ScreenSource source;
        const QString before = LibraryLayout::displayIdentity(displayNamed(*source.content(), "B").facts);
        QCOMPARE(m_server.run(QStringLiteral("xrandr"), {"--delmonitor", "B"}), 0);
        const Result<ShareableContent> without = source.content();
        QCOMPARE(without->displays.size(), 2);
        QCOMPARE(displayNamed(*without, "B").width, 0);
        QCOMPARE(m_server.run(QStringLiteral("xrandr"), {"--setmonitor", "B", "1280/340x1024/270+1920+0", "none"}), 0);
        const Result<ShareableContent> with = source.content();
        QCOMPARE(with->displays.size(), 3);
        QCOMPARE(LibraryLayout::displayIdentity(displayNamed(*with, "B").facts), before);
    }

    void edidOfTheOutputNamesAndIdentifiesTheDisplay()
    {
        QFile blob(QStringLiteral(MOMENTRA_TEST_DATA "/edid/dell-u2720q.bin"));
        QVERIFY(blob.open(QIODevice::ReadOnly));
        const QByteArray edid = blob.readAll();
        X11ScreenSource source;
        const quint32 output = displayNamed(*source.content(), "screen").facts.displayNumber;
        QVERIFY(output != 0);
        setOutputEdid(output, edid);
        const Result<ShareableContent> content = source.content();
        setOutputEdid(output, {});
        QVERIFY(content.ok());
        const DisplayInfo& display = content->displays[0];
        QCOMPARE(display.name, QStringLiteral("DELL U2720Q"));
        QCOMPARE(display.facts.displayNumber, output);
        QCOMPARE(LibraryLayout::displayIdentity(display.facts), QStringLiteral("edid:4268-41156-1279930672"));
        QCOMPARE(source.content()->displays[0].name, QStringLiteral("screen"));
    }

    void logicalSizeFollowsTheDesktopScale_data()
    {
        QTest::addColumn<QByteArray>("resources");
        QTest::addColumn<int>("logicalWidth");
        QTest::newRow("no resources") << QByteArray() << 1920;
        QTest::newRow("192 dpi") << QByteArray("Xft.antialias:\t1\nXft.dpi:\t192\n") << 960;
    }

    void logicalSizeFollowsTheDesktopScale()
    {
        QFETCH(QByteArray, resources);
        QFETCH(int, logicalWidth);
        setResources(resources);
        X11ScreenSource source;
        const Result<ShareableContent> content = source.content();
        setResources({});
        QVERIFY(content.ok());
        QCOMPARE(content->displays[0].logicalWidth, logicalWidth);
        QCOMPARE(content->displays[0].width, 1920);
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
        QCOMPARE(QSize(a->width, a->height), QSize(1920, 1080));
        QCOMPARE(QSize(b->width, b->height), QSize(1280, 1024));
        QCOMPARE(QSize(c->width, c->height), QSize(1024, 768));
        QCOMPARE(X11TestDesk::count(*a, 0x2050f0), 100 * 200);
        QCOMPARE(X11TestDesk::count(*b, 0x2050f0), 200 * 200);
        QCOMPARE(X11TestDesk::count(*c, 0x2050f0), 0);
        QCOMPARE(a->pixel(1850, 150), 0xff2050f0u);  // opaque, B G R A in memory
        QCOMPARE(b->pixel(0, 100), 0xff2050f0u);
        QCOMPARE(c->pixel(10, 10), 0xff404040u);
        QVERIFY(source.lastCaptureUsedShm());
    }

    void plainImageRequestGivesTheSamePixels()
    {
        m_desk->show({QRect(50, 60, 70, 80), 0xc0ffee});
        X11ScreenSource shared;
        X11ScreenSource plain({{}, false, true});
        const DisplayInfo display = shared.content()->displays[0];
        const Result<Bitmap> one = shared.capture(display, {});
        const Result<Bitmap> two = plain.capture(display, {});
        QVERIFY(one.ok() && two.ok());
        QVERIFY(!plain.lastCaptureUsedShm());
        QCOMPARE(two->pixels, one->pixels);
        QCOMPARE(X11TestDesk::count(*two, 0xc0ffee), 70 * 80);
    }

    void scalesToTheRequestedSize()
    {
        m_desk->show({QRect(0, 0, 960, 1080), 0xff0000});
        m_desk->show({QRect(960, 0, 960, 1080), 0x0000ff});
        X11ScreenSource source;
        DisplayCaptureRequest request;
        request.outputWidth = 960;
        request.outputHeight = 540;
        const Result<Bitmap> image = source.capture(source.content()->displays[0], request);
        QVERIFY(image.ok());
        QCOMPARE(QSize(image->width, image->height), QSize(960, 540));
        QCOMPARE(X11TestDesk::count(*image, 0xff0000), 480 * 540);
        QCOMPARE(X11TestDesk::count(*image, 0x0000ff), 480 * 540);
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
        // Only near the pointer did anything change.
        for (int y = 0; y < withCursor->height; y += 4)
            for (int x = 0; x < withCursor->width; x += 4)
                if (withCursor->pixel(x, y) != plain->pixel(x, y))
                    QVERIFY2(qAbs(x - 500) < 64 && qAbs(y - 400) < 64, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));

        // A pointer on another monitor leaves this one alone.
        m_desk->warpPointer(2500, 500);
        QCOMPARE(source.capture(display, request)->pixels, plain->pixels);
    }

    void displayOutsideTheScreenFailsWithItsName()
    {
        X11ScreenSource source;
        DisplayInfo gone;
        gone.name = QStringLiteral("DP-3");
        gone.x = 5000;
        gone.width = gone.height = 100;
        const Result<Bitmap> image = source.capture(gone, {});
        QVERIFY(!image.ok());
        QVERIFY2(image.error().startsWith(QLatin1String("Couldn't read the screen of display DP-3: ")),
                 qPrintable(image.error()));
    }

    void lostServerGivesAClearMessageAndNoCrash()
    {
        const QByteArray mainDisplay = qgetenv("DISPLAY");
        XvfbServer doomed;
        QVERIFY2(doomed.start(QStringLiteral("800x600x24")), qPrintable(doomed.error()));
        qputenv("DISPLAY", mainDisplay);
        X11ScreenSource source({doomed.display().toLocal8Bit(), true, true});
        const Result<ShareableContent> content = source.content();
        QVERIFY(content.ok());
        QVERIFY(source.capture(content->displays[0], {}).ok());
        doomed.stop();
        const Result<Bitmap> image = source.capture(content->displays[0], {});
        QVERIFY(!image.ok());
        QCOMPARE(image.error(), QStringLiteral("The X server connection was lost"));
        // The next call tries to connect again and says it could not.
        const Result<Bitmap> again = source.capture(content->displays[0], {});
        QVERIFY(!again.ok());
        QVERIFY2(again.error().contains(QLatin1String("Couldn't connect to the X display ") + doomed.display()),
                 qPrintable(again.error()));
        QVERIFY(!source.content().ok());
    }
};

QTEST_GUILESS_MAIN(TestX11ScreenSource)
#include "tst_X11ScreenSource.moc"
