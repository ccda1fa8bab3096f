#include "app/updates/UpdateComponent.h"

#include "core/log/EventLog.h"
#include "core/updates/UpdateFeed.h"
#include "core/updates/UpdateReminders.h"
#include "core/updates/UpdateScheduler.h"
#include "core/updates/UpdateSettings.h"
#include "core/updates/Updater.h"
#include "momentra/BuildInfo.h"
#include "platform/linux/updates/DesktopUpdateNotifier.h"
#include "platform/linux/updates/NetworkUpdateTransport.h"
#include "ui/updates/UpdateAnswerWindow.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QProcess>
#include <QSysInfo>

namespace {

QString architecture()
{
    return UpdateFeed::debianArchitecture(QSysInfo::currentCpuArchitecture());
}

void openUrl(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

}  // namespace

UpdateComponent::UpdateComponent(EventLog& log, QObject* parent)
    : QObject(parent)
    , m_settings(std::make_unique<UpdateSettings>(UpdateSettings::standardPath(), log))
    , m_transport(std::make_unique<NetworkUpdateTransport>(NetworkUpdateTransport::Options{userAgent()}))
    , m_notifier(std::make_unique<DesktopUpdateNotifier>(QDBusConnection::sessionBus()))
{
    Updater::Configuration configuration{QUrl(QStringLiteral(MOMENTRA_UPDATE_FEED_URL)),
                                         QByteArrayLiteral(MOMENTRA_UPDATE_PUBLIC_KEY),
                                         QStringLiteral(MOMENTRA_VERSION),
                                         architecture(),
                                         QStringLiteral("deb"),
                                         Updater::standardCacheFolder()};
    m_updater = std::make_unique<Updater>(std::move(configuration), *m_transport, log);
    m_scheduler = std::make_unique<UpdateScheduler>(*m_settings, UpdateScheduler::Timing{});
    m_reminders = std::make_unique<UpdateReminders>(*m_updater, *m_settings, *m_notifier,
                                                    UpdateReminders::Actions{openUrl, openPackage});
    connect(m_scheduler.get(), &UpdateScheduler::due, m_updater.get(),
            [this] { m_updater->check(Updater::Origin::Scheduled); });
}

UpdateComponent::~UpdateComponent() = default;

QByteArray UpdateComponent::userAgent()
{
    return QByteArrayLiteral("Momentra/" MOMENTRA_VERSION " (") + architecture().toLatin1() + ')';
}

void UpdateComponent::openPackage(const QString& path)
{
    // The desktop's software installer takes it from here and asks for what it needs.
    QProcess::startDetached(QStringLiteral("xdg-open"), {path});
}

void UpdateComponent::start()
{
    m_scheduler->start();
}

void UpdateComponent::checkNow()
{
    if (!m_window)
        m_window = std::make_unique<UpdateAnswerWindow>(*m_updater, UpdateAnswerWindow::Actions{openUrl, openPackage});
    m_window->checkNow();
}
