#include "app/RemoteControl.h"
#include "app/search/DesktopSearchResults.h"
#include "app/search/GnomeSearchProvider.h"
#include "app/search/KRunnerRunner.h"
#include "core/textsearch/TextMetadata.h"
#include "support/FakeScreenshotSearch.h"
#include "support/PrivateBus.h"
#include "support/core/TestCodec.h"
#include "support/core/TestHome.h"
#include "ui/search/ScreenshotOpener.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <csignal>

namespace {

struct RecordingOpener : ScreenshotOpener
{
    void open(const QString& path) override { calls.append("open " + path); }
    void showInFileManager(const QString& path) override { calls.append("reveal " + path); }
    QStringList calls;
};

const QString kGnome = "org.gnome.Shell.SearchProvider2.";
const QString kTimeOfOlder = "01/05/2024 09:00";  // in the test's locale
const QString kKRunner = "org.kde.krunner1.";

}  // namespace

// GNOME Shell's search provider and KRunner's runner, called with gdbus on a private bus exactly as the
// shell and KRunner call them; and the service D-Bus starts for them when Momentra is not running.
class DesktopSearchTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    PrivateBus m_bus{PrivateBus::Kind::Session};
    TestCodec m_codec;
    ThumbnailCache m_cache{m_codec};
    QString m_newer = m_home.picturesFolder() + "/2024-05-01/Momentra_2024-05-01_18-30-00.png";
    QString m_older = m_home.picturesFolder() + "/2024-05-01/Momentra_2024-05-01_09-00-00.png";
    FakeScreenshotSearch m_search{{
        {m_newer, QDateTime({2024, 5, 1}, {18, 30}), 1, "\x02Invoice\x03 for London"},
        {m_older, QDateTime({2024, 5, 1}, {9, 0}), 2, "Quarterly \x02invoice\x03"},
    }};
    DesktopSearchResults m_results{m_search, m_cache};
    RecordingOpener m_opener;
    QStringList m_launched;
    GnomeSearchProvider m_gnome{m_results, m_opener, [this](const QString& terms) { m_launched.append(terms); }};
    KRunnerRunner m_krunner{m_results, m_opener};

    static bool isRunning(uint pid)
    {
        QFile stat(QString("/proc/%1/stat").arg(pid));
        return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
    }

    // gdbus's answer, with the event loop running meanwhile so that this process can reply.
    static QString gdbus(const QString& destination, const QString& path, const QString& method,
                         const QStringList& arguments)
    {
        QProcess call;
        call.start("gdbus",
                   QStringList{"call", "--session", "--dest", destination, "--object-path", path, "--method", method}
                       + arguments);
        if (!call.waitForStarted(5000))
            return "gdbus did not start (Debian package libglib2.0-bin)";
        if (!QTest::qWaitFor([&] { return call.state() == QProcess::NotRunning; }, 20000))
            return "gdbus timed out";
        return QString::fromUtf8(call.readAllStandardOutput() + call.readAllStandardError()).trimmed();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        QVERIFY2(m_bus.start(), qPrintable(m_bus.error()));
        QVERIFY(TestCodec::writeFile(m_newer, 640, 400));
        QVERIFY(TestCodec::writeFile(m_older, 640, 400));
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(GnomeSearchProvider::kObjectPath, &m_gnome, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerObject(KRunnerRunner::kObjectPath, &m_krunner, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService("app.momentra.Momentra.Test"));
    }

    void callsAsTheDesktopMakes_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answer");  // a regular expression
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("launched");
        const QString newer = QRegularExpression::escape(m_newer);
        const QString older = QRegularExpression::escape(m_older);
        QTest::newRow("gnome: initial") << kGnome + "GetInitialResultSet" << QStringList{"['invoice']"}
                                        << QString("^\\(\\['%1', '%2'\\],\\)$").arg(newer, older) << QStringList()
                                        << QStringList();
        QTest::newRow("gnome: subsearch")
            << kGnome + "GetSubsearchResultSet"
            << QStringList{QString("['%1', '%2']").arg(m_newer, m_older), "['invoice', 'lon']"}
            << QString("^\\(\\['%1'\\],\\)$").arg(newer) << QStringList() << QStringList();
        QTest::newRow("gnome: nothing") << kGnome + "GetInitialResultSet" << QStringList{"['zebra']"}
                                        << "^\\(@as \\[\\],\\)$" << QStringList() << QStringList();
        QTest::newRow("gnome: metas")
            << kGnome + "GetResultMetas" << QStringList{QString("['%1']").arg(m_older)}
            << QString("^\\(\\[\\{'description': <'Quarterly invoice'>, 'gicon': "
                       "<'%2/thumbnails/normal/[0-9a-f]{32}\\.png'>, 'id': <'%1'>, 'name': <'%3'>\\}\\],\\)$")
                   .arg(older, QRegularExpression::escape(m_home.path() + "/cache"), kTimeOfOlder)
            << QStringList() << QStringList();
        QTest::newRow("gnome: activate") << kGnome + "ActivateResult" << QStringList{m_older, "['invoice']", "0"}
                                         << "^\\(\\)$" << QStringList{"open " + m_older} << QStringList();
        QTest::newRow("gnome: activate a stranger")
            << kGnome + "ActivateResult" << QStringList{"/etc/passwd", "['x']", "0"} << "^\\(\\)$" << QStringList()
            << QStringList();
        QTest::newRow("gnome: launch search") << kGnome + "LaunchSearch" << QStringList{"['invoice', 'lon']", "0"}
                                              << "^\\(\\)$" << QStringList() << QStringList{"invoice lon"};
        QTest::newRow("krunner: actions")
            << kKRunner + "Actions" << QStringList()
            << "^\\(\\[\\('reveal', 'Show in File Manager', 'system-file-manager'\\)\\],\\)$" << QStringList()
            << QStringList();
        QTest::newRow("krunner: match")
            << kKRunner + "Match" << QStringList{"quarterly"}
            << QString("^\\(\\[\\('%1', '%2', 'image-x-generic', 30, 0\\.9\\d*, \\{.*'subtext': "
                       "<'Quarterly invoice'>.*\\}\\)\\],\\)$")
                   .arg(older, kTimeOfOlder)
            << QStringList() << QStringList();
        QTest::newRow("krunner: too short")
            << kKRunner + "Match" << QStringList{"in"} << "^\\(@a\\(sssida\\{sv\\}\\) \\[\\],\\)$" << QStringList()
            << QStringList();
        QTest::newRow("krunner: run") << kKRunner + "Run" << QStringList{m_newer, ""} << "^\\(\\)$"
                                      << QStringList{"open " + m_newer} << QStringList();
        QTest::newRow("krunner: reveal") << kKRunner + "Run" << QStringList{m_newer, "reveal"} << "^\\(\\)$"
                                         << QStringList{"reveal " + m_newer} << QStringList();
    }
    void callsAsTheDesktopMakes()
    {
        QFETCH(QString, method);
        QFETCH(QStringList, arguments);
        QFETCH(QString, answer);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, launched);
        m_opener.calls.clear();
        m_launched.clear();
        const QString path = method.startsWith(kGnome) ? GnomeSearchProvider::kObjectPath : KRunnerRunner::kObjectPath;
        const QString reply = gdbus("app.momentra.Momentra.Test", path, method, arguments);
        QVERIFY2(QRegularExpression(answer).match(reply).hasMatch(), qPrintable(reply));
        QCOMPARE(m_opener.calls, calls);
        QCOMPARE(m_launched, launched);
    }

    // Before Momentra runs, D-Bus starts its search service for the shell; the service answers from the
    // screenshots' text and leaves the name to the tray application when that starts.
    void activatedServiceAnswersAndYields()
    {
        const QString services = m_home.dataHome() + "/dbus-1/services";
        QVERIFY(QDir().mkpath(services));
        QFile service(services + "/app.momentra.Momentra.service");
        QVERIFY(service.open(QIODevice::WriteOnly));
        service.write("[D-BUS Service]\nName=app.momentra.Momentra\nExec=" MOMENTRA_EXECUTABLE " search-service\n");
        service.close();
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.call(QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                                "ReloadConfig"));
        QVERIFY(TextMetadata::write("Quarterly invoice", m_older, TextRecognitionLevel::Fast).ok());

        const QString reply = gdbus(RemoteControl::kServiceName, GnomeSearchProvider::kObjectPath,
                                    kGnome + "GetInitialResultSet", {"['quarterly']"});
        QCOMPARE(reply, QString("(['%1'],)").arg(m_older));
        // Momentra's own methods are not answered there: a launch learns that no tray application runs.
        QVERIFY(!RemoteControl::askRunningToReopen(bus));

        const auto owner = bus.interface()->serviceOwner(RemoteControl::kServiceName);
        const uint pid = bus.interface()->servicePid(RemoteControl::kServiceName);
        QVERIFY(owner.isValid() && pid > 0);
        QCOMPARE(bus.interface()
                     ->registerService(RemoteControl::kServiceName, QDBusConnectionInterface::ReplaceExistingService)
                     .value(),
                 QDBusConnectionInterface::ServiceRegistered);
        QTRY_VERIFY_WITH_TIMEOUT(!isRunning(pid), 10000);
        bus.unregisterService(RemoteControl::kServiceName);

        // `momentra search` without words starts it again, for its search window.
        QProcess search;
        search.start(MOMENTRA_EXECUTABLE, {"search"});
        QVERIFY(QTest::qWaitFor([&] { return search.state() == QProcess::NotRunning; }, 30000));
        QCOMPARE(search.exitCode(), 0);
        const uint windowPid = bus.interface()->servicePid(RemoteControl::kServiceName);
        QVERIFY(windowPid > 0 && ::kill(pid_t(windowPid), SIGTERM) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(!isRunning(windowPid), 10000);
    }
};

QTEST_MAIN(DesktopSearchTest)
#include "tst_DesktopSearch.moc"
