#pragma once

#include "core/search/ScreenshotSearch.h"
#include "ui/search/ThumbnailCache.h"

#include <QTimer>
#include <QWidget>

#include <optional>

class QLabel;
class QLineEdit;
class QListView;
class QStandardItemModel;
class ScreenshotOpener;
class ThumbnailLoader;

// Finds screenshots by the text that was on screen: one field that searches
// as the user types (after a short pause, the query on a worker thread, one
// at a time), the answers as a grid of thumbnails, newest first, each with
// its capture time and the matched words in bold. Arrow keys move through the
// grid, Enter opens the screenshot, the context menu also shows it in the file
// manager. Thumbnails come from the shared thumbnail cache, made on workers.
class SearchWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kDebounceMilliseconds = 150;
    static constexpr int kResultLimit = 200;

    SearchWindow(ScreenshotSearch& search, ThumbnailCache& thumbnails, ScreenshotOpener& opener,
                 QWidget* parent = nullptr);
    ~SearchWindow() override;

    // Fills the field and searches at once.
    void setQueryText(const QString& text);

    QLineEdit* field() const { return m_field; }
    QListView* results() const { return m_results; }
    QLabel* stateLabel() const { return m_state; }
    QString resultPath(int row) const;

Q_SIGNALS:
    // Results of a query are shown (tests wait for it).
    void resultsShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void startQuery();
    void showHits(const QString& text, const std::optional<QList<SearchHit>>& hits);
    void showThumbnail(const QString& path, const QImage& image);
    void openCurrent();
    void revealCurrent();
    QString currentPath() const;

    ScreenshotSearch& m_search;
    ScreenshotOpener& m_opener;
    QLineEdit* m_field = nullptr;
    QListView* m_results = nullptr;
    QLabel* m_state = nullptr;
    QStandardItemModel* m_model = nullptr;
    ThumbnailLoader* m_thumbnails = nullptr;
    QTimer m_debounce;
    bool m_isQuerying = false;
    QString m_shownText;
};
