#include "app/updates/UpdateComponent.h"
#include "core/updates/UpdateNotifier.h"
#include "core/updates/UpdateReminders.h"
#include "core/updates/UpdateScheduler.h"
#include "core/updates/UpdateSettings.h"
#include "core/updates/Updater.h"
#include "platform/linux/updates/NetworkUpdateTransport.h"
#include "support/core/EventLogWatcher.h"
#include "support/core/TestHome.h"
#include "ui/updates/UpdateAnswerWindow.h"
#include "ui/updates/UpdatesTab.h"

#include <QApplication>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <sodium.h>

// A web server on 127.0.0.1 that answers each path as told; a path it
// does not know gets 404, a hanging one never gets an answer.
class FeedServer : public QObject
{
public:
    struct Route
    {
        QByteArray body;
        bool hangs = false;
    };
    QHash<QString, Route> routes;
    QByteArray lastRequest;

    FeedServer()
    {
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
    }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

private:
    void answer(QTcpSocket* socket)
    {
        const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
        socket->setProperty("request", request);
        if (!request.contains("\r\n\r\n"))
            return;
        lastRequest = request;
        const QString path = QString::fromLatin1(request.split(' ').value(1));
        const auto route = routes.constFind(path);
        if (route != routes.constEnd() && route->hangs)
            return;
        const bool found = route != routes.constEnd();
        const QByteArray body = found ? route->body : QByteArray("not here");
        socket->write((found ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n") + QByteArray("Content-Length: ")
                      + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }
    QTcpServer m_server;
};

// An Ed25519 key pair made for one test run; the product trusts none of it.
struct Signer
{
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    Signer() { crypto_sign_keypair(publicKey, secretKey); }
    QByteArray publicKeyBase64() const
    {
        return QByteArray(reinterpret_cast<const char*>(publicKey), sizeof publicKey).toBase64();
    }
    QByteArray sign(const QByteArray& data) const
    {
        unsigned char signature[crypto_sign_BYTES];
        crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(data.constData()),
                             quint64(data.size()), secretKey);
        return QByteArray(reinterpret_cast<const char*>(signature), sizeof signature).toBase64() + '\n';
    }
};

class RecordingNotifier : public UpdateNotifier
{
public:
    struct Posted
    {
        QString summary;
        QString actionLabel;
        std::function<void()> action;
    };
    QList<Posted> posted;
    void notify(const QString& summary, const QString&, const QString& actionLabel,
                std::function<void()> action) override
    {
        posted.append({summary, actionLabel, std::move(action)});
    }
};

class UpdatesTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    FeedServer m_server;
    Signer m_signer;
    const QByteArray m_package = QByteArray("!<arch>\ndebian-binary\n").repeated(500);
    QString cache() const { return m_home.path() + "/cache/Momentra/updates"; }

    // The feed of a release with one package for this machine, signed by `signer`.
    void publish(const QByteArray& feed, const Signer& signer)
    {
        m_server.routes["/feed.json"] = {feed};
        m_server.routes["/feed.json.sig"] = {signer.sign(feed)};
    }
    QByteArray feed(const QString& version, const QByteArray& sha256)
    {
        const QJsonObject package{{"kind", "deb"},
                                  {"architecture", "amd64"},
                                  {"url", m_server.url("/momentra_" + version + "_amd64.deb").toString()},
                                  {"size", m_package.size()},
                                  {"sha256", QString::fromLatin1(sha256)}};
        return QJsonDocument(QJsonObject{{"version", version},
                                         {"releaseDate", "2025-06-01"},
                                         {"notes", "Faster text search.\nFixes."},
                                         {"releasePage", "https://momentra.invalid/releases/" + version},
                                         {"packages", QJsonArray{package}}})
            .toJson();
    }
    QByteArray packageHash() const { return QCryptographicHash::hash(m_package, QCryptographicHash::Sha256).toHex(); }

    std::unique_ptr<NetworkUpdateTransport> transport()
    {
        return std::make_unique<NetworkUpdateTransport>(
            NetworkUpdateTransport::Options{UpdateComponent::userAgent(), std::chrono::seconds(1), true});
    }
    Updater::Configuration configuration() const
    {
        return {m_server.url("/feed.json"), m_signer.publicKeyBase64(), "1.4.0", "amd64", "deb", cache()};
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(sodium_init() >= 0); }
    void init() { m_server.routes.clear(); }

    // A check the user asked for, against each kind of feed, and the
    // download of what it found: nothing unverified stays in the cache.
    void userCheck_data()
    {
        QTest::addColumn<QString>("served");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("downloaded");  // empty: no download tried
        using K = Updater::Answer::Kind;
        QTest::newRow("newer") << "newer" << int(K::Available) << "Momentra 1.10.0 is available"
                               << "verified";
        QTest::newRow("same version") << "same" << int(K::UpToDate) << "Momentra 1.4.0 is the newest version."
                                      << "";
        QTest::newRow("older") << "older" << int(K::UpToDate) << "Momentra 1.4.0 is the newest version."
                               << "";
        QTest::newRow("malformed JSON") << "malformed" << int(K::Failed)
                                        << "Couldn't check for updates: the update information is not valid JSON"
                                        << "";
        QTest::newRow("bad signature") << "bad signature" << int(K::Failed)
                                       << "Couldn't check for updates: the update information's signature is not valid"
                                       << "";
        QTest::newRow("404") << "none" << int(K::Failed)
                             << "Couldn't check for updates: the server answered 404 Not Found"
                             << "";
        QTest::newRow("never answers") << "hangs" << int(K::Failed)
                                       << "Couldn't check for updates: the server did not answer within 1 second"
                                       << "";
        QTest::newRow("wrong SHA-256") << "wrong hash" << int(K::Available) << "Momentra 1.10.0 is available"
                                       << "its SHA-256 does not match the update information";
    }
    void userCheck()
    {
        QFETCH(QString, served);
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QString, downloaded);
        const Signer stranger;
        const QByteArray wrongHash = QCryptographicHash::hash("other", QCryptographicHash::Sha256).toHex();
        if (served == "newer" || served == "wrong hash")
            publish(feed("1.10.0", served == "newer" ? packageHash() : wrongHash), m_signer);
        else if (served == "same" || served == "older")
            publish(feed(served == "same" ? "1.4.0" : "1.3.9", packageHash()), m_signer);
        else if (served == "malformed")
            publish("{\"version\": \"1.10.0\",", m_signer);
        else if (served == "bad signature")
            publish(feed("1.10.0", packageHash()), stranger);
        else if (served == "hangs")
            m_server.routes["/feed.json"] = {{}, true};
        m_server.routes["/momentra_1.10.0_amd64.deb"] = {m_package};

        auto network = transport();
        EventLogWatcher log(m_home.log());
        Updater updater(configuration(), *network, m_home.log());
        QSignalSpy answers(&updater, &Updater::checkFinished);
        updater.check(Updater::Origin::User);
        QVERIFY(answers.wait(5000));
        const auto answer = answers.first().at(1).value<Updater::Answer>();
        QCOMPARE(int(answer.kind), kind);
        QVERIFY2((answer.kind == Updater::Answer::Kind::Available ? answer.title : answer.text).startsWith(text),
                 qPrintable(answer.text));
        if (answer.kind == Updater::Answer::Kind::Failed)
            QCOMPARE(log.count(text), 1);
        if (served == "newer")
            QCOMPARE(m_server.lastRequest.count("User-Agent: Momentra/" MOMENTRA_VERSION " (amd64)"), 1);

        if (downloaded.isEmpty()) {
            QVERIFY(QDir(cache()).isEmpty());
            return;
        }
        QSignalSpy downloads(&updater, &Updater::downloadFinished);
        updater.download();
        QVERIFY(downloads.wait(5000));
        const bool ok = downloads.first().at(0).toBool();
        QCOMPARE(ok, downloaded == "verified");
        const QStringList kept = QDir(cache()).entryList(QDir::Files | QDir::Hidden);
        if (!ok) {
            QCOMPARE(downloads.first().at(1).toString(), downloaded);
            QCOMPARE(log.count("Deleted the downloaded update momentra_1.10.0_amd64.deb: " + downloaded), 1);
            QVERIFY(kept.isEmpty());
            return;
        }
        QCOMPARE(kept, QStringList{"momentra_1.10.0_amd64.deb"});
        QCOMPARE(QFile(cache() + "/" + kept.first()).permissions() & 0x0077, QFileDevice::Permissions());
        QCOMPARE(updater.downloadedPackage(), cache() + "/" + kept.first());
    }

    // Scheduled checks are quiet: one notification per new version, no
    // window; with automatic download its action installs the package.
    void scheduledCheck_data()
    {
        QTest::addColumn<bool>("downloads");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("opened");
        QTest::newRow("release page") << false << "Open Release Page"
                                      << "https://momentra.invalid/releases/1.10.0";
        QTest::newRow("downloaded") << true << "Install" << cache() + "/momentra_1.10.0_amd64.deb";
    }
    void scheduledCheck()
    {
        QFETCH(bool, downloads);
        QFETCH(QString, action);
        QFETCH(QString, opened);
        publish(feed("1.10.0", packageHash()), m_signer);
        m_server.routes["/momentra_1.10.0_amd64.deb"] = {m_package};
        UpdateSettings settings(m_home.configHome() + "/Momentra/updates.json", m_home.log());
        settings.setAutomaticallyDownloads(downloads);
        auto network = transport();
        Updater updater(configuration(), *network, m_home.log());
        RecordingNotifier notifier;
        QString openedNow;
        UpdateReminders reminders(
            updater, settings, notifier,
            {[&](const QUrl& url) { openedNow = url.toString(); }, [&](const QString& path) { openedNow = path; }});
        for (int check = 0; check < 2; ++check) {
            QSignalSpy answers(&updater, &Updater::checkFinished);
            updater.check(Updater::Origin::Scheduled);
            QVERIFY(answers.wait(5000));
            QTRY_COMPARE(notifier.posted.size(), 1);
        }
        QCOMPARE(notifier.posted.first().summary, "Momentra 1.10.0 is available");
        QCOMPARE(notifier.posted.first().actionLabel, action);
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
        notifier.posted.first().action();
        QCOMPARE(openedNow, opened);
        QDir(cache()).removeRecursively();
    }

    // The window answers a check the user asked for, and "Download" then
    // "Install" hands the verified package to the installer.
    void answerWindow()
    {
        publish(feed("1.10.0", packageHash()), m_signer);
        m_server.routes["/momentra_1.10.0_amd64.deb"] = {m_package};
        auto network = transport();
        Updater updater(configuration(), *network, m_home.log());
        QString installed;
        UpdateAnswerWindow window(updater, {[](const QUrl&) {}, [&](const QString& path) { installed = path; }});
        window.checkNow();
        QVERIFY(window.isVisible());
        QTRY_COMPARE(window.title(), "Momentra 1.10.0 is available");
        QCOMPARE(window.acceptButton()->text(), "Download");
        QVERIFY(window.laterButton()->isVisible());
        window.acceptButton()->click();
        QTRY_COMPARE(window.acceptButton()->text(), "Install");
        window.acceptButton()->click();
        QCOMPARE(installed, cache() + "/momentra_1.10.0_amd64.deb");
        QVERIFY(!window.isVisible());
        QDir(cache()).removeRecursively();
    }

    // The switches are stored at once (0600) and read back by a later
    // session; the running schedule and the tab follow a change made in the
    // tab or, through the file alone, by another process, without a restart.
    void switchesPersistAndApply_data()
    {
        QTest::addColumn<bool>("elsewhere");
        QTest::newRow("in the tab") << false;
        QTest::newRow("by another process") << true;
    }
    void switchesPersistAndApply()
    {
        QFETCH(bool, elsewhere);
        const QString path = m_home.configHome() + "/Momentra/updates.json";
        QFile::remove(path);
        UpdateSettings settings(path, m_home.log());
        UpdateScheduler scheduler(settings, {});
        scheduler.start();
        UpdatesTab tab(settings, [] {});
        QVERIFY(tab.checksSwitch()->isChecked());
        QVERIFY(!tab.downloadsSwitch()->isChecked());
        QVERIFY(scheduler.isArmed());
        QVERIFY(scheduler.remaining() <= std::chrono::minutes(8));
        UpdateSettings other(path, m_home.log());
        const auto setChecks = [&](bool on) {
            if (elsewhere)
                other.setAutomaticallyChecks(on);
            else
                tab.checksSwitch()->click();
        };

        if (elsewhere)
            other.setAutomaticallyDownloads(true);
        else
            tab.downloadsSwitch()->click();
        setChecks(false);
        QTRY_VERIFY(!scheduler.isArmed());
        QTRY_VERIFY(tab.downloadsSwitch()->isChecked());
        QVERIFY(!tab.checksSwitch()->isChecked());
        QVERIFY(!tab.downloadsSwitch()->isEnabled());
        QCOMPARE(QFile(path).permissions() & 0x0077, QFileDevice::Permissions());
        UpdateSettings later(path, m_home.log());
        QVERIFY(!later.automaticallyChecks());
        QVERIFY(later.automaticallyDownloads());

        setChecks(true);
        QTRY_VERIFY(scheduler.isArmed());
        QVERIFY(tab.checksSwitch()->isChecked());
    }
};

QTEST_MAIN(UpdatesTest)
#include "tst_Updates.moc"
