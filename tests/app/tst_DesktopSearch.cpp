#include "app/RemoteControl.h"
#include "app/search/DesktopSearchResults.h"
#include "app/search/GnomeSearchProvider.h"
#include "app/search/KRunnerRunner.h"
#include "app/search/SearchComponent.h"
#include "core/textsearch/TextMetadata.h"
#include "support/FakeScreenshotSearch.h"
#include "support/PrivateBus.h"
#include "support/XvfbServer.h"
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
    XvfbServer m_xvfb;  // for the tray application D-Bus starts
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

    QStringList logLines() const
    {
        QFile log(m_home.stateHome() + "/Momentra/events.log");
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts)
                                             : QStringList();
    }
    // The package's D-Bus service files, starting this build's executable.
    void installServices()
    {
        const QString services = m_home.dataHome() + "/dbus-1/services";
        QVERIFY(QDir().mkpath(services));
        for (const QString name : {"app.momentra.Momentra.service", "app.momentra.Momentra.Search.service"}) {
            QFile in(MOMENTRA_SOURCE_DIR "/data/" + name + ".in"), out(services + "/" + name);
            QVERIFY(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
            out.write(in.readAll().replace("@MOMENTRA_INSTALLED_EXECUTABLE@", MOMENTRA_EXECUTABLE));
        }
        QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "ReloadConfig"));
    }

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
        QVERIFY2(m_xvfb.start("640x480x24"), qPrintable(m_xvfb.error()));
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
        // The metas above made the older one's thumbnail, which comes as the match's picture.
        QTest::newRow("krunner: match")
            << kKRunner + "Match" << QStringList{"quarterly"}
            << QString("^\\(\\[\\('%1', '%2', 'image-x-generic', 30, 0\\.9\\d*, \\{.*'icon-data': "
                       "<\\(128, 80, 384, false, 8, 3, \\[byte 0x33, 0x66, 0x99, .*'subtext': "
                       "<'Quarterly invoice'>.*\\}\\)\\],\\)$")
                   .arg(older, kTimeOfOlder)
            << QStringList() << QStringList();
        QTest::newRow("krunner: match without a thumbnail")
            << kKRunner + "Match" << QStringList{"london"}
            << QString("^(?!.*icon-data)\\(\\[\\('%1', '[^']*', 'image-x-generic', 30, ").arg(newer) << QStringList()
            << QStringList();
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

    // Before Momentra runs, D-Bus starts what each name needs (the package's service files, pointing at
    // this build): the tray application for Momentra's own methods, the search service for the
    // desktop's search. The tray application stops on SIGTERM; the search service when the tray
    // application takes its name over.
    void activation_data()
    {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answer");  // a regular expression
        QTest::addColumn<QString>("logged");
        const QString momentra = RemoteControl::kServiceName, search = SearchComponent::kServiceName;
        QTest::newRow("toggle") << momentra << momentra + ".Toggle" << QStringList() << "^\\(\\)$"
                                << "Capture started";
        QTest::newRow("diagnostics") << momentra << momentra + ".Diagnostics" << QStringList{"1", "5"}
                                     << "Capturing: false"
                                     << "Launched";
        QTest::newRow("gnome") << search << kGnome + "GetInitialResultSet" << QStringList{"['quarterly']"}
                               << QString("^\\(\\['%1'\\],\\)$").arg(QRegularExpression::escape(m_older))
                               << "Serving the desktop's search";
        QTest::newRow("krunner") << search << kKRunner + "Match" << QStringList{"quarterly"}
                                 << QString("^\\(\\[\\('%1', ").arg(QRegularExpression::escape(m_older))
                                 << "Serving the desktop's search";
    }
    void activation()
    {
        QFETCH(QString, destination);
        QFETCH(QString, method);
        QFETCH(QStringList, arguments);
        QFETCH(QString, answer);
        QFETCH(QString, logged);
        installServices();
        QVERIFY(TextMetadata::write("Quarterly invoice", m_older, TextRecognitionLevel::Fast).ok());
        const int logLines = this->logLines().size();
        const QString path = method.startsWith(kGnome)     ? GnomeSearchProvider::kObjectPath
                             : method.startsWith(kKRunner) ? KRunnerRunner::kObjectPath
                                                           : RemoteControl::kObjectPath;

        const QString reply = gdbus(destination, path, method, arguments);
        QVERIFY2(QRegularExpression(answer).match(reply).hasMatch(), qPrintable(reply));
        QTRY_VERIFY_WITH_TIMEOUT(!this->logLines().mid(logLines).filter(logged).isEmpty(), 10000);

        QDBusConnectionInterface& bus = *QDBusConnection::sessionBus().interface();
        const uint pid = bus.servicePid(destination);
        QVERIFY(pid > 0);
        if (destination == RemoteControl::kServiceName) {
            QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);
        } else {
            QCOMPARE(bus.registerService(destination, QDBusConnectionInterface::ReplaceExistingService).value(),
                     QDBusConnectionInterface::ServiceRegistered);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!isRunning(pid), 10000);
        bus.unregisterService(destination);
    }

    // `momentra search` without words opens the search window, starting the search service for it.
    void searchWindowWithoutTheTray()
    {
        installServices();
        QProcess search;
        search.start(MOMENTRA_EXECUTABLE, {"search"});
        QVERIFY(QTest::qWaitFor([&] { return search.state() == QProcess::NotRunning; }, 30000));
        QCOMPARE(search.exitCode(), 0);
        QDBusConnectionInterface& bus = *QDBusConnection::sessionBus().interface();
        const uint pid = bus.servicePid(SearchComponent::kServiceName);
        QVERIFY(pid > 0 && !bus.isServiceRegistered(RemoteControl::kServiceName));
        QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!isRunning(pid), 10000);
    }
};

QTEST_MAIN(DesktopSearchTest)
#include "tst_DesktopSearch.moc"
