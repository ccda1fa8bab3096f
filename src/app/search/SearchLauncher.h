#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class ScreenshotOpener;
class ScreenshotSearch;
class SearchWindow;
class ThumbnailCache;

// The session's one search window: opened on first use, raised (with the
// new terms) when asked again, deleted when closed.
class SearchLauncher : public QObject
{
    Q_OBJECT

public:
    SearchLauncher(ScreenshotSearch& search, ThumbnailCache& thumbnails, ScreenshotOpener& opener,
                   QObject* parent = nullptr);
    ~SearchLauncher() override;

    // Empty terms keep what the window shows.
    void open(const QString& terms = {});
    bool isOpen() const { return !m_window.isNull(); }

Q_SIGNALS:
    void closed();

private:
    ScreenshotSearch& m_search;
    ThumbnailCache& m_thumbnails;
    ScreenshotOpener& m_opener;
    QPointer<SearchWindow> m_window;
};
