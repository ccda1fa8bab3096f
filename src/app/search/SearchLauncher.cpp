#include "app/search/SearchLauncher.h"

#include "app/AppDelegate.h"
#include "ui/search/SearchWindow.h"

SearchLauncher::SearchLauncher(ScreenshotSearch& search, ThumbnailCache& thumbnails, ScreenshotOpener& opener,
                               QObject* parent)
    : QObject(parent)
    , m_search(search)
    , m_thumbnails(thumbnails)
    , m_opener(opener)
{
}

SearchLauncher::~SearchLauncher()
{
    delete m_window.data();
}

void SearchLauncher::open(const QString& terms)
{
    if (!m_window) {
        m_window = new SearchWindow(m_search, m_thumbnails, m_opener);
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_window.data(), &QObject::destroyed, this, &SearchLauncher::closed);
        AppDelegate::centerOnMouseScreen(*m_window);
    }
    if (!terms.isEmpty())
        m_window->setQueryText(terms);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
