#pragma once

#include "core/updates/UpdateFeed.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

#include <optional>

class EventLog;
class UpdateTransport;

// The update component: checks the signed feed, says whether a newer
// release exists, and downloads its package into the cache, checked against
// the feed's size and SHA-256 before anything may open it. A file that does
// not match is deleted; partial files never outlive the process that wrote
// them. Momentra never installs anything itself: the desktop's installer
// opens the verified package. Main thread only.
class Updater : public QObject
{
    Q_OBJECT

public:
    enum class Origin {
        Scheduled,  // answered quietly: a notification, never a window
        User,       // answered in a window
    };
    struct Answer
    {
        enum class Kind { UpToDate, Available, Failed };
        Kind kind = Kind::Failed;
        QString title;  // "You're up to date", "Momentra 1.2 is available", "Couldn't check for updates"
        QString text;   // "Momentra 1.1 is the newest version.", the notes, "Couldn't check for updates: " + why
    };
    struct Configuration
    {
        QUrl feedUrl;            // the signature is this address + ".sig"
        QByteArray publicKey;    // Ed25519, Base64
        QString currentVersion;  // "0.1.0"
        QString architecture;    // "amd64"
        QString packageKind = QStringLiteral("deb");
        QString cacheFolder;  // $XDG_CACHE_HOME/Momentra/updates
    };
    static constexpr qint64 kMaxFeedBytes = 256 * 1024;

    Updater(Configuration configuration, UpdateTransport& transport, EventLog& log, QObject* parent = nullptr);

    static QString standardCacheFolder();
    const Configuration& configuration() const { return m_configuration; }

    // Checks now; a check asked for while one runs is answered by that one.
    void check(Origin origin);
    bool isChecking() const { return !m_waiting.isEmpty(); }
    // The newer release the last successful check found.
    const std::optional<UpdateFeed>& newerRelease() const { return m_newer; }
    // The newer release's package for this machine, if it has one.
    std::optional<UpdatePackage> package() const;

    // Downloads and verifies the newer release's package (or finds it
    // already verified in the cache); downloadFinished tells how it ended.
    void download();
    bool isDownloading() const { return m_isDownloading; }
    // The verified package of the newer release in the cache, if there is one.
    std::optional<QString> downloadedPackage() const;

Q_SIGNALS:
    void checkFinished(Updater::Origin origin, const Updater::Answer& answer);
    void newerReleaseChanged();
    // With ok, the verified package's path; else why there is none.
    void downloadFinished(bool ok, const QString& pathOrReason);

private:
    void checkSignature(const QByteArray& feed);
    void finishCheck(Answer answer, std::optional<UpdateFeed> newer);
    void failCheck(const QString& reason);
    void finishDownload(const QString& partPath, const QString& finalPath, const UpdatePackage& package);
    void failDownload(const QString& reason);
    QString packagePath(const UpdatePackage& package) const;
    void clearCache();

    Configuration m_configuration;
    UpdateTransport& m_transport;
    EventLog& m_log;
    QSet<Origin> m_waiting;
    std::optional<UpdateFeed> m_newer;
    bool m_isDownloading = false;
};
