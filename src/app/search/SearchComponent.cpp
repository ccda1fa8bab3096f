#include "app/search/SearchComponent.h"

#include "app/search/DesktopScreenshotOpener.h"
#include "app/search/DesktopSearchResults.h"
#include "app/search/GnomeSearchProvider.h"
#include "app/search/KRunnerRunner.h"
#include "app/search/SearchLauncher.h"
#include "ui/search/ThumbnailCache.h"

#include <QApplication>
#include <QDBusConnectionInterface>

SearchComponent::SearchComponent(ScreenshotSearch& search, ImageCodec& codec, QObject* parent)
    : QObject(parent)
    , m_opener(std::make_unique<DesktopScreenshotOpener>())
    , m_thumbnails(std::make_unique<ThumbnailCache>(codec))
    , m_results(std::make_unique<DesktopSearchResults>(search, *m_thumbnails))
    , m_launcher(std::make_unique<SearchLauncher>(search, *m_thumbnails, *m_opener))
{
    m_gnome = new GnomeSearchProvider(
        *m_results, *m_opener, [this](const QString& terms) { openWindow(terms); }, this);
    m_krunner = new KRunnerRunner(*m_results, *m_opener, this);
    connect(m_gnome, &GnomeSearchProvider::used, this, &SearchComponent::used);
    connect(m_krunner, &KRunnerRunner::used, this, &SearchComponent::used);
    connect(m_launcher.get(), &SearchLauncher::closed, this, &SearchComponent::windowClosed);
}

// The window goes first: its thumbnail workers use the cache.
SearchComponent::~SearchComponent()
{
    m_launcher.reset();
}

void SearchComponent::openWindow(const QString& terms)
{
    // `momentra run` has no windows.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        m_launcher->open(terms);
}

bool SearchComponent::isWindowOpen() const
{
    return m_launcher->isOpen();
}

bool SearchComponent::exportOn(QDBusConnection bus, Claim claim)
{
    // The objects first: a call queued for the name while D-Bus started this process arrives as soon as
    // the name is ours.
    if (!bus.registerObject(QLatin1String(GnomeSearchProvider::kObjectPath), m_gnome, QDBusConnection::ExportAllSlots)
        || !bus.registerObject(QLatin1String(KRunnerRunner::kObjectPath), m_krunner, QDBusConnection::ExportAllSlots))
        return false;
    const bool keeping = claim == Claim::Keeping;
    const auto reply = bus.interface()->registerService(
        QLatin1String(kServiceName),
        keeping ? QDBusConnectionInterface::ReplaceExistingService : QDBusConnectionInterface::DontQueueService,
        keeping ? QDBusConnectionInterface::DontAllowReplacement : QDBusConnectionInterface::AllowReplacement);
    return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
}
