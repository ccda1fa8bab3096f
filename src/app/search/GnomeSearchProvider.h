#pragma once

#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class DesktopSearchResults;
class ScreenshotOpener;

// GNOME Shell's search provider (org.gnome.Shell.SearchProvider2): the
// overview asks for the screenshots matching what the user types, then for
// each result's name (the capture time), description (the snippet) and icon
// (its thumbnail); activating a result opens the screenshot, and "more"
// opens Momentra's search window with the terms. Replies are sent once the
// search, on a worker thread, has answered.
class GnomeSearchProvider : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.SearchProvider2")

public:
    static constexpr const char* kObjectPath = "/app/momentra/Momentra/SearchProvider";

    GnomeSearchProvider(DesktopSearchResults& results, ScreenshotOpener& opener,
                        std::function<void(const QString& terms)> launchSearch, QObject* parent = nullptr);

Q_SIGNALS:
    void used();

public Q_SLOTS:
    QStringList GetInitialResultSet(const QStringList& terms);
    QStringList GetSubsearchResultSet(const QStringList& previousResults, const QStringList& terms);
    QList<QVariantMap> GetResultMetas(const QStringList& identifiers);
    void ActivateResult(const QString& identifier, const QStringList& terms, uint timestamp);
    void LaunchSearch(const QStringList& terms, uint timestamp);

private:
    QStringList answerLater(const QStringList& terms);

    DesktopSearchResults& m_results;
    ScreenshotOpener& m_opener;
    std::function<void(const QString&)> m_launchSearch;
};
