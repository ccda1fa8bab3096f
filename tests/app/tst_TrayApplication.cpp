#include "platform/linux/tray/TrayWireTypes.h"
#include "support/PrivateBus.h"
#include "support/XvfbServer.h"
#include "support/core/TestHome.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QTest>

#include <csignal>

// The tray application as the desktop sees it: a StatusNotifierItem host of
// our own on a private bus reads its item through the real protocol, an
// XEmbed tray (trayer) embeds its icon, and without any tray its panel is a
// window.
class TrayApplicationTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    XvfbServer m_xvfb;

    static QString nextLine(QProcess& process)
    {
        while (!process.canReadLine() && process.waitForReadyRead(15000)) {
        }
        return QString::fromUtf8(process.readLine()).trimmed();
    }
    static int momentra(const QStringList& arguments)
    {
        QProcess process;
        process.start(MOMENTRA_EXECUTABLE, arguments);
        return process.waitForFinished(30000) ? process.exitCode() : -1;
    }
    QStringList logLines() const
    {
        QFile log(m_home.stateHome() + "/Momentra/events.log");
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts)
                                             : QStringList();
    }
    bool panelWindowShown() const
    {
        QString found;
        return m_xvfb.run("xdotool", {"search", "--onlyvisible", "--name", "^Momentra$"}, &found) == 0
               && !found.trimmed().isEmpty();
    }
    // Ends the application as the session does, and checks it said so last.
    void terminate(QProcess& app)
    {
        ::kill(pid_t(app.processId()), SIGTERM);
        QVERIFY(app.waitForFinished(15000));
        QCOMPARE(app.exitCode(), 0);
        QVERIFY2(logLines().last().endsWith("[app] Quit"), qPrintable(logLines().last()));
    }
    static QVariant itemProperty(const QString& service, const QString& name)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service, "/StatusNotifierItem",
                                                           "org.freedesktop.DBus.Properties", "Get");
        call << QString("org.kde.StatusNotifierItem") << name;
        const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    // The item's Title, its tooltip's title and its IconName, read as a host reads them.
    static QStringList itemLooks(const QString& service)
    {
        return {itemProperty(service, "Title").toString(),
                qdbus_cast<SniToolTip>(itemProperty(service, "ToolTip")).title,
                itemProperty(service, "IconName").toString()};
    }
    // The first label of the item's menu, read over dbusmenu.
    static QString firstMenuLabel(const QString& service)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            service, itemProperty(service, "Menu").value<QDBusObjectPath>().path(), "com.canonical.dbusmenu",
            "GetLayout");
        call << 0 << -1 << QStringList();
        DBusMenuLayoutItem root;
        QDBusConnection::sessionBus().call(call, QDBus::Block, 5000).arguments().value(1).value<QDBusArgument>()
            >> root;
        return root.children.value(0).properties.value("label").toString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_xvfb.start("1280x800x24"), qPrintable(m_xvfb.error()));
        // Momentra's icons installed into a theme of their own, as the package installs them.
        const QString status = m_home.dataHome() + "/icons/hicolor/scalable/status";
        QDir().mkpath(status);
        QFile index(m_home.dataHome() + "/icons/hicolor/index.theme");
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=Hicolor\nDirectories=scalable/status\n\n"
                    "[scalable/status]\nSize=16\nMinSize=8\nMaxSize=512\nType=Scalable\n");
        index.close();
        for (const QString& name : QDir(MOMENTRA_SOURCE_DIR "/data/icons").entryList({"momentra-*.svg"}))
            QVERIFY(QFile::copy(MOMENTRA_SOURCE_DIR "/data/icons/" + name, status + "/" + name));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_home.dataHome()));
        qunsetenv("QT_QPA_PLATFORM");  // the real application on the X server
        QCOMPARE(momentra({"defaults", "write", "Momentra.hasCompletedOnboarding", "--bool", "true"}), 0);
        QCOMPARE(momentra({"defaults", "write", "Momentra.intervalSeconds", "--int", "1"}), 0);
    }

    // Registers with the watcher; the title, tooltip, icon and menu follow idle →
    // capturing → needs attention, and the host hears of each new title;
    // Activate opens the panel; a relaunch hands over; quitting keeps capture
    // on, so the next launch (without a tray) resumes it.
    void statusNotifierItem()
    {
        PrivateBus bus(PrivateBus::Kind::Session);
        QVERIFY2(bus.start(), qPrintable(bus.error()));
        HelperProcess watcher;
        watcher.start("/usr/bin/python3", {MOMENTRA_SOURCE_DIR "/tests/support/sni_watcher.py"});
        QVERIFY2(nextLine(watcher) == "ready", "the watcher did not start (Debian packages python3-dbus, python3-gi)");
        HelperProcess app;
        app.start(MOMENTRA_EXECUTABLE, {});
        const QStringList registered = nextLine(watcher).split(' ');
        QCOMPARE(registered.value(0), "registered");
        const QString item = registered.value(1);
        const auto looks = [](const QString& title, const QString& icon) { return QStringList{title, title, icon}; };
        QCOMPARE(itemLooks(item), looks("Momentra: not capturing", "momentra-idle"));
        QCOMPARE(firstMenuLabel(item), "Start Screenshots");
        QVERIFY(!panelWindowShown());

        QCOMPARE(momentra({"start"}), 0);
        QCOMPARE(nextLine(watcher), "title Momentra: capturing");
        QCOMPARE(itemLooks(item), looks("Momentra: capturing", "momentra-capturing"));
        QTRY_COMPARE(firstMenuLabel(item), "Stop Screenshots");
        QCOMPARE(momentra({"defaults", "write", "Momentra.freeSpaceLimitGB", "--int", "1000000"}), 0);
        QCOMPARE(nextLine(watcher), "title Momentra: not capturing, needs attention");
        QCOMPARE(itemLooks(item), looks("Momentra: not capturing, needs attention", "momentra-attention"));
        QCOMPARE(momentra({"defaults", "delete", "Momentra.freeSpaceLimitGB"}), 0);

        QDBusMessage activate = QDBusMessage::createMethodCall(item, "/StatusNotifierItem",
                                                               "org.kde.StatusNotifierItem", "Activate");
        activate << 0 << 0;
        QCOMPARE(QDBusConnection::sessionBus().call(activate).type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY(panelWindowShown());
        QCOMPARE(momentra({}), 0);  // the running one is asked instead
        QCOMPARE(logLines().filter("Launched").size(), 1);
        watcher.stop();  // a panel restarting: the item registers with its new watcher
        watcher.start("/usr/bin/python3", {MOMENTRA_SOURCE_DIR "/tests/support/sni_watcher.py"});
        QCOMPARE(nextLine(watcher), "ready");
        QCOMPARE(nextLine(watcher), registered.join(' '));
        terminate(app);

        watcher.stop();
        app.start(MOMENTRA_EXECUTABLE, {});
        QTRY_VERIFY_WITH_TIMEOUT(logLines().filter("Capture started").size() == 2, 10000);
        QTRY_VERIFY(panelWindowShown());
        QVERIFY(logLines().filter("No system tray").size() == 1);
        QCOMPARE(momentra({"stop"}), 0);
        terminate(app);
    }

    // With an XEmbed tray and no watcher the icon goes into the tray.
    void xembedTray()
    {
        PrivateBus bus(PrivateBus::Kind::Session);
        QVERIFY2(bus.start(), qPrintable(bus.error()));
        HelperProcess openbox, trayer;
        openbox.start("openbox", {});
        trayer.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request"});
        QTRY_VERIFY2_WITH_TIMEOUT(m_xvfb.run("xdotool", {"search", "--class", "trayer"}) == 0, "trayer did not start",
                                  20000);
        const int trayLines = logLines().size();
        HelperProcess app;
        app.start(MOMENTRA_EXECUTABLE, {});
        QTRY_VERIFY_WITH_TIMEOUT(logLines().size() > trayLines, 15000);
        QString tree;
        QTRY_VERIFY_WITH_TIMEOUT((m_xvfb.run("xwininfo", {"-root", "-tree"}, &tree), tree.contains("momentra")), 15000);
        QVERIFY(logLines().mid(trayLines).filter("No system tray").isEmpty());
        QVERIFY(!panelWindowShown());
        terminate(app);
    }
};

QTEST_GUILESS_MAIN(TrayApplicationTest)
#include "tst_TrayApplication.moc"
