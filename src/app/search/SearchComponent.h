#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <memory>

class DesktopScreenshotOpener;
class DesktopSearchResults;
class GnomeSearchProvider;
class ImageCodec;
class KRunnerRunner;
class ScreenshotSearch;
class SearchLauncher;
class ThumbnailCache;

// Searching screenshots put together, for the tray application and the
// desktop's search service: the search window, and the GNOME Shell search
// provider and the KRunner runner on the session bus, all over one search
// and the shared thumbnail cache.
class SearchComponent : public QObject
{
    Q_OBJECT

public:
    SearchComponent(ScreenshotSearch& search, ImageCodec& codec, QObject* parent = nullptr);
    ~SearchComponent() override;

    // The search window, raised, searching for the terms when there are any.
    void openWindow(const QString& terms = {});
    bool isWindowOpen() const;
    // The name the desktop's search calls (the GNOME Shell provider's .ini, the KRunner plugin and
    // D-Bus activation of `momentra search-service` name it): the tray application and `momentra run`
    // take it over from the search service.
    static constexpr const char* kServiceName = "app.momentra.Momentra.Search";
    enum class Claim {
        Yielding,  // the search service: leaves the name to whoever asks for it
        Keeping,   // the running instance: takes the name over and keeps it
    };
    // Exports the search provider and the runner at their paths, then claims the search name; false
    // when the name is someone else's.
    bool exportOn(QDBusConnection bus, Claim claim);

Q_SIGNALS:
    // The desktop asked something.
    void used();
    void windowClosed();

private:
    std::unique_ptr<DesktopScreenshotOpener> m_opener;
    std::unique_ptr<ThumbnailCache> m_thumbnails;
    std::unique_ptr<DesktopSearchResults> m_results;
    std::unique_ptr<SearchLauncher> m_launcher;
    GnomeSearchProvider* m_gnome = nullptr;
    KRunnerRunner* m_krunner = nullptr;
};
