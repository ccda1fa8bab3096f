#include "platform/linux/x11/AppIdResolver.h"
#include "platform/linux/x11/BitmapScaler.h"
#include "platform/linux/x11/CursorOverlay.h"
#include "platform/linux/x11/DesktopScale.h"
#include "platform/linux/x11/EdidParser.h"
#include "platform/linux/x11/RectRegion.h"

#include <QtTest>

// The pure pieces of the X11 screen source: scale, application ids, regions,
// scaling, cursor blending, and monitor identity from stored EDID blobs
// (monitors under Xvfb have none).
class TestX11Helpers : public QObject
{
    Q_OBJECT

    static QByteArray blob(const QString& name)
    {
        QFile file(QStringLiteral(MOMENTRA_TEST_DATA "/edid/") + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void desktopScale_data()
    {
        QTest::addColumn<QByteArray>("resources");
        QTest::addColumn<QByteArray>("gdk");
        QTest::addColumn<QByteArray>("qt");
        QTest::addColumn<double>("scale");
        QTest::newRow("Xft.dpi wins") << QByteArray("Xcursor.size:\t24\nXft.dpi:\t192\n") << QByteArray("3")
                                      << QByteArray() << 2.0;
        QTest::newRow("GDK_SCALE") << QByteArray("Xcursor.size: 24\n") << QByteArray("2") << QByteArray("3") << 2.0;
        QTest::newRow("QT_SCALE_FACTOR") << QByteArray() << QByteArray() << QByteArray("1.5") << 1.5;
        QTest::newRow("garbage ignored") << QByteArray("Xft.dpi: lots\n") << QByteArray("-2") << QByteArray("x") << 1.0;
        QTest::newRow("similar name is not it") << QByteArray("Xft.dpix: 192\n") << QByteArray() << QByteArray() << 1.0;
    }

    void desktopScale()
    {
        QFETCH(QByteArray, resources);
        QFETCH(QByteArray, gdk);
        QFETCH(QByteArray, qt);
        QTEST(DesktopScale::fromSession(resources, gdk, qt), "scale");
    }

    void applicationFromCgroup_data()
    {
        QTest::addColumn<QByteArray>("cgroup");
        QTest::addColumn<QString>("appId");
        QTest::newRow("gnome scope") << QByteArray("0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                                                   "app-gnome-org.gnome.Terminal-4242.scope\n")
                                     << "org.gnome.Terminal";
        QTest::newRow("service with instance") << QByteArray("0::/user.slice/user@1000.service/app.slice/"
                                                             "app-org.gnome.Nautilus@12ab.service\n")
                                               << "org.gnome.Nautilus";
        QTest::newRow("escaped dash") << QByteArray("0::/app.slice/app-kde-org.kde.foo\\x2dbar-17.scope\n")
                                      << "org.kde.foo-bar";
        QTest::newRow("plain name") << QByteArray("0::/app.slice/app-firefox-123.scope\n") << "firefox";
        QTest::newRow("terminal session") << QByteArray("0::/user.slice/user-1000.slice/session-2.scope\n") << "";
    }

    void applicationFromCgroup()
    {
        QFETCH(QByteArray, cgroup);
        QTEST(AppIdResolver::fromCgroup(cgroup), "appId");
    }

    void applicationFromOtherHints()
    {
        QCOMPARE(AppIdResolver::fromFlatpakInfo("[Application]\nname=org.gimp.GIMP\nruntime=x\n[Instance]\nname=no\n"),
                 QString("org.gimp.GIMP"));
        QCOMPARE(AppIdResolver::desktopIdFromHint("/usr/share/applications/org.kde.dolphin.desktop"),
                 QString("org.kde.dolphin"));
        QCOMPARE(AppIdResolver::windowClass(QByteArray("navigator\0firefox\0", 18)), QString("firefox"));
        QCOMPARE(AppIdResolver::windowClass("broken"), QString());
    }

    void resolverPrefersTheMostPreciseHint()
    {
        AppIdResolver resolver;
        AppIdResolver::WindowFacts facts;
        facts.wmClass = QByteArray("gedit\0Gedit\0", 12);
        QCOMPARE(resolver.resolve(facts), QString("Gedit"));
        facts.kdeDesktopFile = "org.kde.kate";
        QCOMPARE(resolver.resolve(facts), QString("org.kde.kate"));
        facts.gtkApplicationId = "org.gnome.gedit";
        QCOMPARE(resolver.resolve(facts), QString("org.gnome.gedit"));
    }

    void regionSubtractsAndKeepsPiecesApart()
    {
        RectRegion region(QRect(0, 0, 100, 100));
        region.add(QRect(50, 50, 100, 100));  // overlaps: no pixel counted twice
        region.subtract(QRect(40, 40, 20, 20));
        qint64 area = 0;
        for (const QRect& rect : region.rects()) {
            area += qint64(rect.width()) * rect.height();
            for (const QRect& other : region.rects())
                QVERIFY(&rect == &other || !rect.intersects(other));
            QVERIFY(!rect.intersects(QRect(40, 40, 20, 20)));
        }
        QCOMPARE(area, 100 * 100 + 100 * 100 - 50 * 50 - 20 * 20);
        QVERIFY(region.intersected(QRect(500, 500, 10, 10)).isEmpty());
    }

    void scalerAveragesBoxes()
    {
        Bitmap source = Bitmap::filled(4, 2, 0xff000000);
        // Left 2×2 block: two white, two black → mid grey; right block stays red.
        reinterpret_cast<quint32*>(source.row(0))[0] = 0xffffffff;
        reinterpret_cast<quint32*>(source.row(1))[1] = 0xffffffff;
        reinterpret_cast<quint32*>(source.row(0))[2] = reinterpret_cast<quint32*>(source.row(0))[3] = 0xffff0000;
        reinterpret_cast<quint32*>(source.row(1))[2] = reinterpret_cast<quint32*>(source.row(1))[3] = 0xffff0000;
        const Bitmap half = BitmapScaler::scaled(source, 2, 1);
        QCOMPARE(QSize(half.width, half.height), QSize(2, 1));
        QCOMPARE(half.pixel(0, 0), 0xff808080u);
        QCOMPARE(half.pixel(1, 0), 0xffff0000u);
        // Uneven ratios: the last box must stay inside the source.
        QCOMPARE(BitmapScaler::scaled(Bitmap::filled(1707, 961, 0xff123456), 1000, 333).pixel(999, 332), 0xff123456u);
        const Bitmap same = BitmapScaler::scaled(source, 4, 2);
        QCOMPARE(same.pixels.constData(), source.pixels.constData());  // no copy when nothing changes
    }

    void cursorBlendsPremultipliedAndClips()
    {
        Bitmap image = Bitmap::filled(4, 4, 0xff0000ff);
        const quint32 cursor[] = {0xff000000, 0x00000000, 0x80800000, 0xffffffff};  // 2×2
        CursorOverlay::blend(image, cursor, 2, 2, QPoint(3, 3));  // only the top-left pixel lands
        QCOMPARE(image.pixel(3, 3), 0xff000000u);
        QCOMPARE(image.pixel(2, 2), 0xff0000ffu);
        CursorOverlay::blend(image, cursor, 2, 2, QPoint(0, 0));
        QCOMPARE(image.pixel(1, 0), 0xff0000ffu);  // transparent
        QCOMPARE(image.pixel(0, 1), 0xff80007fu);  // half red over blue
        QCOMPARE(image.pixel(1, 1), 0xffffffffu);
    }

    // Vendor code, vendor, model and serial (hexadecimal), name; empty when the blob is refused.
    void edidIdentity_data()
    {
        QTest::addColumn<QByteArray>("edid");
        QTest::addColumn<QString>("identity");
        QTest::newRow("name after serial text") << blob("dell-u2720q.bin") << "DEL 10ac a0c4 4c4a3130 DELL U2720Q";
        QTest::newRow("with extension block") << blob("lg-ultrafine-with-extension.bin") << "GSM 1e6d 5b0c 75bcd15 LG ULTRAFINE";
        QTest::newRow("no name descriptor") << blob("samsung-no-name.bin") << "SAM 4c2d f75 0";
        QTest::newRow("panel with text descriptors only") << blob("laptop-panel-text-only.bin") << "BOE 9e5 747 0";
        QTest::newRow("bad checksum") << blob("corrupt-checksum.bin") << QString();
        QTest::newRow("truncated") << blob("truncated.bin") << QString();
        QByteArray noHeader = blob("dell-u2720q.bin");
        noHeader[1] = 0;
        noHeader[127] = char(noHeader[127] + 0xff);  // checksum still right: only the header is wrong
        QTest::newRow("no header") << noHeader << QString();
    }

    void edidIdentity()
    {
        QFETCH(QByteArray, edid);
        QVERIFY(!edid.isEmpty());
        const auto parsed = EdidParser::parse(edid);
        QTEST(parsed ? QString("%1 %2 %3 %4 %5").arg(parsed->vendorCode).arg(parsed->vendor, 0, 16).arg(parsed->model, 0, 16)
                           .arg(parsed->serial, 0, 16).arg(parsed->name).trimmed()
                     : QString(),
              "identity");
    }
};

QTEST_GUILESS_MAIN(TestX11Helpers)
#include "tst_X11Helpers.moc"
