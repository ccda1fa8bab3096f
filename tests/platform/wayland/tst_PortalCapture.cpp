#include "platform/linux/wayland/PortalScreenCast.h"
#include "platform/linux/wayland/PortalScreenSource.h"
#include "platform/linux/wayland/RestoreTokenStore.h"
#include "support/core/TestHome.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>

// The screen-cast portal for real: scripts/wayland-session.sh --portal runs
// this binary inside headless sway with PipeWire, WirePlumber,
// xdg-desktop-portal and xdg-desktop-portal-wlr, which shares HEADLESS-1
// (1920x1080, filled #c03010) without asking.
class PortalCaptureTest : public QObject
{
    Q_OBJECT

    struct Run
    {
        int status = -1;
        QStringList out;
    };
    static Run momentra(const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("MOMENTRA_CAPTURE_BACKEND"), QStringLiteral("portal"));
        process.setProcessEnvironment(environment);
        process.start(qEnvironmentVariable("MOMENTRA_EXECUTABLE"), arguments);
        process.waitForFinished(60000);
        const QString out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        return {process.exitCode(), out.split(u'\n', Qt::SkipEmptyParts)};
    }
    static QString logText(const TestHome& home)
    {
        QFile file(home.stateHome() + QStringLiteral("/Momentra/events.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    static QString tokenPath(const TestHome& home)
    {
        return home.stateHome() + QStringLiteral("/Momentra/screencast-restore-token");
    }

private Q_SLOTS:
    void cursorMode_data()
    {
        QTest::addColumn<bool>("showsCursor");
        QTest::addColumn<uint>("available");
        QTest::addColumn<uint>("mode");
        QTest::newRow("embedded") << true << 7u << PortalScreenCast::kCursorEmbedded;
        QTest::newRow("hidden") << false << 7u << PortalScreenCast::kCursorHidden;
        QTest::newRow("no embedding") << true << 5u << PortalScreenCast::kCursorHidden;
        QTest::newRow("no hiding") << false << 2u << PortalScreenCast::kCursorEmbedded;
    }
    void cursorMode()
    {
        QFETCH(bool, showsCursor);
        QFETCH(uint, available);
        QFETCH(uint, mode);
        QCOMPARE(PortalScreenCast::cursorMode(showsCursor, available), mode);
    }

    void tokenStore_data()
    {
        QTest::addColumn<QByteArray>("content");  // "-" for no file
        QTest::addColumn<int>("state");
        using S = RestoreTokenStore::State;
        QTest::newRow("missing") << QByteArray("-") << int(S::Missing);
        QTest::newRow("token") << QByteArray("a1eb06ff-4cb5-46a4-8805-29d98d259ce4\n") << int(S::Valid);
        QTest::newRow("garbage") << QByteArray("not a token") << int(S::Corrupt);
        QTest::newRow("braced") << QByteArray("{a1eb06ff-4cb5-46a4-8805-29d98d259ce4}") << int(S::Corrupt);
        QTest::newRow("empty") << QByteArray("") << int(S::Corrupt);
    }
    void tokenStore()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, state);
        TestHome home;
        RestoreTokenStore store(home.stateHome() + QStringLiteral("/Momentra/token"));
        if (content != "-") {
            QDir().mkpath(home.stateHome() + QStringLiteral("/Momentra"));
            QFile file(store.path());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QCOMPARE(int(store.state()), state);
        QCOMPARE(store.load().has_value(), state == int(RestoreTokenStore::State::Valid));
    }

    void describe_data()
    {
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<QString>("name");
        QTest::newRow("an output there") << QPoint(1920, 0) << "HEADLESS-2";
        QTest::newRow("none there") << QPoint(0, 1080) << "Display at 0, 1080";
    }
    void describe()
    {
        QFETCH(QPoint, position);
        QFETCH(QString, name);
        WaylandOutputInfo output;
        output.connector = QStringLiteral("HEADLESS-2");
        output.x = 1920;
        output.width = 1280;
        output.height = 720;
        const QList<DisplayInfo> displays = PortalScreenSource::describe({{42, position, QSize(640, 360)}}, {output});
        QCOMPARE(displays.size(), 1);
        QCOMPARE(displays[0].name, name);
        QCOMPARE(displays[0].facts.displayNumber, 42u);  // the stream to read it from
        QVERIFY(displays[0].facts.uuid.has_value());
    }

    // Asked once: the first capture stores the grant, the next process
    // starts with it and sees the screen as it is now; a grant revoked in
    // the desktop's permission store and an unreadable one are dropped, and
    // the permission reads off.
    void grantAcrossProcesses()
    {
        TestHome home;
        QCOMPARE(momentra({"defaults", "write", "Momentra.format", "PNG"}).status, 0);
        for (const QString& colour : {QStringLiteral("#c03010"), QStringLiteral("#10a040")}) {
            // A new background is also the damage that makes the cast send a frame.
            QProcess swaymsg;
            swaymsg.setStandardOutputFile(QProcess::nullDevice());
            swaymsg.start(QStringLiteral("swaymsg"), {"output", "HEADLESS-1", "bg", colour, "solid_color"});
            QVERIFY(swaymsg.waitForFinished(10000) && swaymsg.exitCode() == 0);
            const Run run = momentra({"capture"});
            QCOMPARE(run.status, 0);
            QCOMPARE(run.out.size(), 1);
            const QImage image(run.out[0]);
            QCOMPARE(image.size(), QSize(1920, 1080));
            QCOMPARE(QColor(image.pixel(960, 540)), QColor(colour));
            const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
            QCOMPARE(QFile::permissions(tokenPath(home)) & (QFile::ReadOwner | QFile::WriteOwner | others),
                     QFile::ReadOwner | QFile::WriteOwner);
            QCOMPARE(RestoreTokenStore(tokenPath(home)).state(), RestoreTokenStore::State::Valid);
        }
        QVERIFY2(logText(home).contains("as the user allowed"), qPrintable(logText(home)));
        QVERIFY2(logText(home).contains("with the stored grant"), qPrintable(logText(home)));

        // Revoked in the desktop's permission store: the grant is forgotten and the permission reads off.
        QProcess revoke;
        revoke.start(QStringLiteral("gdbus"),
                     {"call", "--session", "--dest", "org.freedesktop.impl.portal.PermissionStore", "--object-path",
                      "/org/freedesktop/impl/portal/PermissionStore", "--method",
                      "org.freedesktop.impl.portal.PermissionStore.Delete", "screencast",
                      *RestoreTokenStore(tokenPath(home)).load()});
        QVERIFY(revoke.waitForFinished(10000) && revoke.exitCode() == 0);
        QVERIFY(momentra({"diagnostics"}).out.contains("Screen Recording permission: false"));
        QCOMPARE(RestoreTokenStore(tokenPath(home)).state(), RestoreTokenStore::State::Missing);
        QVERIFY2(logText(home).contains("(it was revoked)"), qPrintable(logText(home)));

        QFile corrupt(tokenPath(home));
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write("\x01\x02 not a token");
        corrupt.close();
        const Run diagnostics = momentra({"diagnostics"});
        QVERIFY(diagnostics.out.contains("Screen Recording permission: false"));
        // The damaged grant is dropped, and the report does not ask the user to share the screen again.
        QCOMPARE(RestoreTokenStore(tokenPath(home)).state(), RestoreTokenStore::State::Missing);
        QCOMPARE(logText(home).count("unreadable and is forgotten"), 1);
    }
};

QTEST_GUILESS_MAIN(PortalCaptureTest)
#include "tst_PortalCapture.moc"
