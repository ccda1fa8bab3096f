#include "core/updates/FeedSignature.h"
#include "core/updates/UpdateFeed.h"
#include "core/updates/VersionNumber.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sodium.h>

class UpdateFeedTest : public QObject
{
    Q_OBJECT

    static bool runSigningTool(const QStringList& arguments)
    {
        QProcess tool;
        tool.start(MOMENTRA_SIGN_FEED, arguments);
        if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
            qWarning() << tool.readAllStandardError();
            return false;
        }
        return true;
    }
    static QByteArray readAll(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void versionOrder_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("numeric, not text") << "1.10"
                                           << "1.9" << 1;
        QTest::newRow("missing part is zero") << "1.2"
                                              << "1.2.0" << 0;
        QTest::newRow("patch") << "0.1.0"
                               << "0.1.1" << -1;
        QTest::newRow("major wins") << "10.0"
                                    << "9.99.99" << 1;
        QTest::newRow("suffix ignored") << "2.0.0-rc1"
                                        << "2.0" << 0;
    }
    void versionOrder()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(VersionNumber::compare(a, b), order);
        QCOMPARE(VersionNumber::compare(b, a), -order);
    }

    // Only the exact signed bytes under the build's key pass, whether
    // signed here or by the publishers' signing tool.
    void signature_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QString>("signer");
        QTest::addColumn<QString>("error");
        QTest::newRow("signed") << QByteArray("{}") << "this key"
                                << "";
        QTest::newRow("one byte changed") << QByteArray("{ }") << "this key"
                                          << "the update information's signature is not valid";
        QTest::newRow("another key") << QByteArray("{}") << "another key"
                                     << "the update information's signature is not valid";
        QTest::newRow("signing tool") << QByteArray("{}") << "momentra-sign-feed"
                                      << "";
    }
    void signature()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QString, signer);
        QFETCH(QString, error);
        QVERIFY(sodium_init() >= 0);
        QByteArray key;
        QByteArray file;
        if (signer == "momentra-sign-feed") {
            const QTemporaryDir folder;
            const QString secret = folder.filePath("secret"), pub = folder.filePath("public");
            const QString feedPath = folder.filePath("feed.json");
            QVERIFY(runSigningTool({"keygen", secret, pub}));
            QCOMPARE(QFile(secret).permissions() & 0x0077, QFileDevice::Permissions());
            QFile out(feedPath);
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write("{}") == 2);
            out.close();
            QVERIFY(runSigningTool({"sign", secret, feedPath}));
            key = readAll(pub);
            file = readAll(feedPath + ".sig");
        } else {
            unsigned char publicKey[crypto_sign_PUBLICKEYBYTES], secretKey[crypto_sign_SECRETKEYBYTES];
            unsigned char signature[crypto_sign_BYTES];
            crypto_sign_keypair(publicKey, secretKey);
            crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>("{}"), 2, secretKey);
            if (signer == "another key")
                crypto_sign_keypair(publicKey, secretKey);
            key = QByteArray(reinterpret_cast<char*>(publicKey), sizeof publicKey).toBase64();
            file = QByteArray(reinterpret_cast<char*>(signature), sizeof signature).toBase64();
        }
        QCOMPARE(FeedSignature::verify(feed, file, key).error(), error);
        QCOMPARE(FeedSignature::verify(feed, "not base64!", key).ok(), false);
    }

    // A signed feed that is still unusable is refused with its reason.
    void damagedFeed_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        QTest::newRow("no version") << QByteArray("{\"releasePage\": \"https://m.invalid\"}")
                                    << "names no valid version";
        QTest::newRow("plain HTTP release page")
            << QByteArray("{\"version\": \"2.0\", \"releasePage\": \"http://m.invalid\"}")
            << "release page is not an HTTPS";
        QTest::newRow("short SHA-256") << QByteArray(
            "{\"version\": \"2.0\", \"releasePage\": \"https://m.invalid\", \"packages\": [{\"kind\": "
            "\"deb\", \"architecture\": \"amd64\", \"url\": \"https://m.invalid/a.deb\", \"size\": 5, "
            "\"sha256\": \"abc\"}]}") << "SHA-256 is not 64 hex digits";
    }
    void damagedFeed()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        const Result<UpdateFeed> parsed = UpdateFeed::parse(json);
        QVERIFY2(parsed.error().contains(error), qPrintable(parsed.error()));
    }
};

QTEST_GUILESS_MAIN(UpdateFeedTest)
#include "tst_UpdateFeed.moc"
