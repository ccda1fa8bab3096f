#include "core/updates/UpdateReminders.h"

#include "core/updates/UpdateNotifier.h"
#include "core/updates/UpdateSettings.h"

namespace {

// Enough of the notes for a notification's body.
constexpr int kBodyCharacters = 200;

}  // namespace

UpdateReminders::UpdateReminders(Updater& updater, UpdateSettings& settings, UpdateNotifier& notifier, Actions actions,
                                 QObject* parent)
    : QObject(parent)
    , m_updater(updater)
    , m_settings(settings)
    , m_notifier(notifier)
    , m_actions(std::move(actions))
{
    connect(&m_updater, &Updater::checkFinished, this, &UpdateReminders::answered);
    connect(&m_updater, &Updater::downloadFinished, this, &UpdateReminders::downloaded);
}

void UpdateReminders::answered(Updater::Origin origin, const Updater::Answer& answer)
{
    if (origin != Updater::Origin::Scheduled || answer.kind != Updater::Answer::Kind::Available)
        return;
    const UpdateFeed& newer = *m_updater.newerRelease();
    if (newer.version == m_announced || m_isAwaitingDownload)
        return;
    if (m_settings.automaticallyDownloads() && m_updater.package()) {
        m_isAwaitingDownload = true;
        m_updater.download();
        return;
    }
    announce({});
}

// A failed download was logged by the updater; the release page is offered instead.
void UpdateReminders::downloaded(bool ok, const QString& pathOrReason)
{
    if (!std::exchange(m_isAwaitingDownload, false))
        return;
    announce(ok ? pathOrReason : QString());
}

void UpdateReminders::announce(const QString& package)
{
    const std::optional<UpdateFeed>& newer = m_updater.newerRelease();
    if (!newer)
        return;
    m_announced = newer->version;
    QString body = newer->notes.section(QLatin1Char('\n'), 0, 0);
    if (body.size() > kBodyCharacters)
        body = body.left(kBodyCharacters - 1) + QStringLiteral("…");
    const QString summary = QStringLiteral("Momentra %1 is available").arg(newer->version);
    if (!package.isEmpty()) {
        m_notifier.notify(summary, body, QStringLiteral("Install"),
                          [open = m_actions.openPackage, package] { open(package); });
        return;
    }
    m_notifier.notify(summary, body, QStringLiteral("Open Release Page"),
                      [open = m_actions.openUrl, page = newer->releasePage] { open(page); });
}
