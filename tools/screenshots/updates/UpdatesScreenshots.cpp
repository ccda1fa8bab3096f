#include "UpdatesScreenshots.h"

#include "core/log/EventLog.h"
#include "core/updates/UpdateSettings.h"
#include "core/updates/UpdateTransport.h"
#include "core/updates/Updater.h"
#include "ui/updates/UpdateAnswerWindow.h"
#include "ui/updates/UpdatesTab.h"

#include <QApplication>
#include <QTemporaryDir>

#include <sodium.h>

namespace {

const QByteArray kFeed = R"({"version": "0.2.0", "releaseDate": "2025-06-02",
 "notes": "Timelapse videos export twice as fast.\nThe OCR tab finds text in pictures of any folder.\nFixes capture on displays that wake up late.",
 "releasePage": "https://momentra.app/releases/0.2.0", "packages": []})";

// Answers with a feed signed by a key made for this picture.
class StagedFeed : public UpdateTransport
{
public:
    StagedFeed()
    {
        unsigned char secret[crypto_sign_SECRETKEYBYTES];
        unsigned char signature[crypto_sign_BYTES];
        unsigned char key[crypto_sign_PUBLICKEYBYTES];
        if (sodium_init() < 0)
            return;
        crypto_sign_keypair(key, secret);
        crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(kFeed.constData()),
                             quint64(kFeed.size()), secret);
        publicKey = QByteArray(reinterpret_cast<const char*>(key), sizeof key).toBase64();
        m_signature = QByteArray(reinterpret_cast<const char*>(signature), sizeof signature).toBase64();
    }
    void fetch(const QUrl& url, qint64, std::function<void(Result<QByteArray>)> done) override
    {
        done(url.path().endsWith(QLatin1String(".sig")) ? m_signature : kFeed);
    }
    void download(const QUrl&, const QString&, qint64, std::function<void(Result<void>)> done) override
    {
        done(Result<void>::failure(QStringLiteral("not in a picture")));
    }
    QByteArray publicKey;

private:
    QByteArray m_signature;
};

}  // namespace

QImage renderUpdatesTab()
{
    QTemporaryDir home;
    EventLog log(home.path());
    UpdateSettings settings(home.filePath(QStringLiteral("updates.json")), log);
    UpdatesTab tab(settings, [] {});
    tab.resize(540, 440);
    tab.show();
    QApplication::processEvents();
    return tab.grab().toImage();
}

QImage renderUpdateAvailable()
{
    QTemporaryDir home;
    EventLog log(home.path());
    StagedFeed feed;
    Updater updater({QUrl(QStringLiteral("https://momentra.app/updates/linux/feed.json")), feed.publicKey,
                     QStringLiteral("0.1.0"), QStringLiteral("amd64"), QStringLiteral("deb"),
                     home.filePath(QStringLiteral("cache"))},
                    feed, log);
    UpdateAnswerWindow window(updater, {[](const QUrl&) {}, [](const QString&) {}});
    window.checkNow();
    QApplication::processEvents();
    return window.grab().toImage();
}
