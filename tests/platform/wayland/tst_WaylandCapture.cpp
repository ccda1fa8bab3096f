#include "platform/linux/CaptureBackend.h"
#include "platform/linux/wayland/OutputIdentity.h"
#include "platform/linux/wayland/ScreencopyScreenSource.h"
#include "support/core/TestHome.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTest>

// Screen copy against a real compositor: scripts/wayland-session.sh runs
// this binary inside headless sway with HEADLESS-1 (1920x1080, filled
// #c03010) and HEADLESS-2 (1280x720 at scale 2, filled #2080f0).
class WaylandCaptureTest : public QObject
{
    Q_OBJECT

    static QImage toImage(const Bitmap& bitmap)
    {
        return QImage(reinterpret_cast<const uchar*>(bitmap.pixels.constData()), bitmap.width, bitmap.height,
                      bitmap.stride, QImage::Format_RGB32)
            .copy();
    }
    static QImage captured(ScreenSource& source, const DisplayInfo& display)
    {
        Result<Bitmap> bitmap = source.capture(display, {});
        return bitmap ? toImage(*bitmap) : QImage();
    }
    static QImage grim(const QString& output)
    {
        QProcess process;
        process.start(QStringLiteral("grim"), {"-o", output, "-t", "ppm", "-"});
        if (!process.waitForFinished(30000) || process.exitCode() != 0)
            return {};
        return QImage::fromData(process.readAllStandardOutput(), "PPM").convertToFormat(QImage::Format_RGB32);
    }
    static std::optional<DisplayInfo> display(ScreenSource& source, const QString& name)
    {
        auto content = source.content();
        if (!content)
            return std::nullopt;
        for (const DisplayInfo& d : content->displays)
            if (d.name == name)
                return d;
        return std::nullopt;
    }

private Q_SLOTS:
    void chooseBackend_data()
    {
        QTest::addColumn<bool>("wayland");
        QTest::addColumn<bool>("x11");
        QTest::addColumn<QString>("waylandError");
        QTest::addColumn<bool>("screencopy");
        QTest::addColumn<bool>("portal");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("says");
        using K = CaptureBackend::Kind;
        QTest::newRow("x11") << false << true << "" << false << false << int(K::X11) << "WAYLAND_DISPLAY is not";
        QTest::newRow("nothing") << false << false << "" << false << false << int(K::None) << "neither";
        QTest::newRow("wlroots") << true << true << "" << true << true << int(K::Screencopy) << "zwlr_screencopy";
        QTest::newRow("portal") << true << false << "" << false << true << int(K::Portal) << "screen-cast portal";
        QTest::newRow("no portal, XWayland")
            << true << true << "" << false << false << int(K::X11) << "only windows of X11 applications";
        QTest::newRow("compositor gone, XWayland")
            << true << true << "refused" << false << true << int(K::X11) << "refused";
        QTest::newRow("compositor gone") << true << false << "refused" << false << true << int(K::None) << "refused";
        QTest::newRow("no way") << true << false << "" << false << false << int(K::None) << "xdg-desktop-portal";
    }
    void chooseBackend()
    {
        QFETCH(bool, wayland);
        QFETCH(bool, x11);
        QFETCH(QString, waylandError);
        QFETCH(bool, screencopy);
        QFETCH(bool, portal);
        QFETCH(int, kind);
        QFETCH(QString, says);
        CaptureBackend::Facts facts{wayland, x11, std::nullopt, screencopy, portal};
        if (!waylandError.isEmpty())
            facts.waylandError = waylandError;
        const CaptureBackend::Choice choice = CaptureBackend::choose(facts);
        QCOMPARE(int(choice.kind), kind);
        QVERIFY2(choice.sentence.contains(says), qPrintable(choice.sentence));
    }

    void unkeptSettings_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("excluded");
        QTest::addColumn<bool>("notifications");
        QTest::addColumn<bool>("icons");
        QTest::addColumn<QStringList>("lines");
        using K = CaptureBackend::Kind;
        QTest::newRow("x11 keeps them") << int(K::X11) << 2 << true << true << QStringList();
        QTest::newRow("nothing asked") << int(K::Screencopy) << 0 << false << false << QStringList();
        QTest::newRow("one app") << int(K::Portal) << 1 << false << false
                                 << QStringList{"On Wayland the windows of the excluded app cannot be left out of "
                                                "screenshots; capture only pauses while it is the active app"};
        QTest::newRow("all") << int(K::Screencopy) << 3 << true << true
                             << QStringList{"On Wayland the windows of the 3 excluded apps cannot be left out of "
                                            "screenshots; capture only pauses while one of them is the active app",
                                            "On Wayland notifications cannot be hidden from screenshots",
                                            "On Wayland desktop icons cannot be hidden from screenshots"};
    }
    void unkeptSettings()
    {
        QFETCH(int, kind);
        QFETCH(int, excluded);
        QFETCH(bool, notifications);
        QFETCH(bool, icons);
        QFETCH(QStringList, lines);
        QCOMPARE(CaptureBackend::unkeptSettings(CaptureBackend::Kind(kind), excluded, notifications, icons), lines);
    }

    void identity_data()
    {
        QTest::addColumn<QString>("make");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("connector");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sameAs");  // connector of the row before whose identity this one shares, or ""
        QTest::newRow("monitor") << "Dell Inc."
                                 << "DELL U2720Q"
                                 << "Dell Inc. DELL U2720Q 5KC0R83 (DP-1)"
                                 << "DP-1"
                                 << "DELL U2720Q"
                                 << "";
        QTest::newRow("same monitor, other port") << "Dell Inc."
                                                  << "DELL U2720Q"
                                                  << "Dell Inc. DELL U2720Q 5KC0R83 (DP-2)"
                                                  << "DP-2"
                                                  << "DELL U2720Q"
                                                  << "DP-1";
        QTest::newRow("product code only") << "Goldstar Company Ltd"
                                           << "0x5B7E"
                                           << "Goldstar Company Ltd 0x5B7E 0x0001A2B3 (HDMI-A-1)"
                                           << "HDMI-A-1"
                                           << "Goldstar Company Ltd 0x5B7E"
                                           << "";
        QTest::newRow("no serial") << "headless"
                                   << "headless"
                                   << "headless headless  (HEADLESS-1)"
                                   << "HEADLESS-1"
                                   << "HEADLESS-1"
                                   << "";
        QTest::newRow("no serial, other connector") << "headless"
                                                    << "headless"
                                                    << "headless headless  (HEADLESS-2)"
                                                    << "HEADLESS-2"
                                                    << "HEADLESS-2"
                                                    << "";
    }
    void identity()
    {
        static QMap<QString, QString> identities;
        QFETCH(QString, make);
        QFETCH(QString, model);
        QFETCH(QString, description);
        QFETCH(QString, connector);
        QFETCH(QString, name);
        QFETCH(QString, sameAs);
        WaylandOutputInfo output;
        output.make = make;
        output.model = model;
        output.description = description;
        output.connector = connector;
        const DisplayInfo info = OutputIdentity::describe(output);
        QCOMPARE(info.name, name);
        QVERIFY(info.facts.uuid.has_value());
        if (!sameAs.isEmpty())
            QCOMPARE(*info.facts.uuid, identities.value(sameAs));
        else
            QVERIFY(!identities.values().contains(*info.facts.uuid));
        identities.insert(connector, *info.facts.uuid);
    }

    void outputs_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("logical");
        QTest::addColumn<bool>("isMain");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("HEADLESS-1") << "HEADLESS-1" << QSize(1920, 1080) << QSize(1920, 1080) << true
                                    << qRgb(0xc0, 0x30, 0x10);
        QTest::newRow("HEADLESS-2") << "HEADLESS-2" << QSize(1280, 720) << QSize(640, 360) << false
                                    << qRgb(0x20, 0x80, 0xf0);
    }
    // Sizes, scale and pixels, the last compared with grim's copy of the same output.
    void outputs()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(QSize, logical);
        QFETCH(bool, isMain);
        QFETCH(QRgb, colour);
        ScreencopyScreenSource source;
        const std::optional<DisplayInfo> info = display(source, name);
        QVERIFY2(info, "the output is not listed");
        QCOMPARE(QSize(info->width, info->height), size);
        QCOMPARE(QSize(info->logicalWidth, info->logicalHeight), logical);
        QCOMPARE(info->isMain, isMain);
        QImage image;
        // The background is drawn by swaybg, which may still be starting.
        QTRY_COMPARE_WITH_TIMEOUT((image = captured(source, *info)).pixel(size.width() / 2, 5), colour, 10000);
        QCOMPARE(image.size(), size);
        QCOMPARE(image, grim(name));
    }

    // The whole command: two files named as on X11, the scaled output at its logical size.
    void captureCommand()
    {
        TestHome home;
        auto momentra = [](const QStringList& arguments) {
            QProcess process;
            // The session script hands on a copy the test's user may run.
            process.start(qEnvironmentVariable("MOMENTRA_EXECUTABLE"), arguments);
            process.waitForFinished(60000);
            return std::make_pair(process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()).trimmed());
        };
        QCOMPARE(momentra({"defaults", "write", "Momentra.format", "PNG"}).first, 0);
        QCOMPARE(momentra({"defaults", "write", "Momentra.capturesHalfSize", "--bool", "true"}).first, 0);
        const auto [status, out] = momentra({"capture"});
        QCOMPARE(status, 0);
        const QStringList files = out.split('\n');
        QCOMPARE(files.size(), 2);
        QCOMPARE(QFileInfo(files[0]).fileName().mid(28), QStringLiteral(".png"));
        QCOMPARE(QFileInfo(files[1]).fileName().mid(28), QStringLiteral("_Display2.png"));
        QCOMPARE(QImage(files[0]).size(), QSize(1920, 1080));
        QCOMPARE(QImage(files[1]).size(), QSize(640, 360));
        QCOMPARE(QImage(files[1]).pixel(320, 180), qRgb(0x20, 0x80, 0xf0));
    }
};

QTEST_GUILESS_MAIN(WaylandCaptureTest)
#include "tst_WaylandCapture.moc"
