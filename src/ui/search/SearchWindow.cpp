#include "ui/search/SearchWindow.h"

#include "core/search/SearchHitText.h"
#include "ui/search/ScreenshotOpener.h"
#include "ui/search/SearchResultDelegate.h"
#include "ui/search/ThumbnailLoader.h"

#include <QAction>
#include <QFutureWatcher>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QStandardItemModel>
#include <QStyle>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {

const QString kPrompt = QStringLiteral("Type words that were on screen to find the screenshots that showed them.");

QIcon themeIcon(const char* name, QStyle::StandardPixmap fallback, const QWidget& widget)
{
    return QIcon::fromTheme(QLatin1String(name), widget.style()->standardIcon(fallback));
}

}  // namespace

SearchWindow::SearchWindow(ScreenshotSearch& search, ThumbnailCache& thumbnails, ScreenshotOpener& opener,
                           QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_search(search)
    , m_opener(opener)
{
    setWindowTitle(QStringLiteral("Search Screenshots"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("app.momentra.Momentra")));
    auto* layout = new QVBoxLayout(this);

    m_field = new QLineEdit;
    m_field->setObjectName(QStringLiteral("searchField"));
    m_field->setPlaceholderText(QStringLiteral("Search Screenshots"));
    m_field->setAccessibleName(m_field->placeholderText());
    m_field->setClearButtonEnabled(true);
    m_field->addAction(themeIcon("edit-find", QStyle::SP_FileDialogContentsView, *this), QLineEdit::LeadingPosition);
    m_field->installEventFilter(this);
    layout->addWidget(m_field);

    m_state = new QLabel(kPrompt);
    m_state->setObjectName(QStringLiteral("searchState"));
    m_state->setAlignment(Qt::AlignCenter);
    m_state->setWordWrap(true);
    m_state->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(m_state, 1);

    m_model = new QStandardItemModel(this);
    m_results = new QListView;
    m_results->setObjectName(QStringLiteral("searchResults"));
    m_results->setAccessibleName(QStringLiteral("Screenshots"));
    m_results->setModel(m_model);
    m_results->setItemDelegate(new SearchResultDelegate(m_results));
    m_results->setViewMode(QListView::IconMode);
    m_results->setMovement(QListView::Static);
    m_results->setResizeMode(QListView::Adjust);
    m_results->setUniformItemSizes(true);
    m_results->setSpacing(4);
    m_results->setSelectionMode(QAbstractItemView::SingleSelection);
    m_results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_results->setHidden(true);
    layout->addWidget(m_results, 1);
    connect(m_results, &QListView::activated, this, &SearchWindow::openCurrent);

    auto* open = new QAction(QStringLiteral("Open"), m_results);
    open->setObjectName(QStringLiteral("openScreenshot"));
    connect(open, &QAction::triggered, this, &SearchWindow::openCurrent);
    auto* reveal = new QAction(QStringLiteral("Show in File Manager"), m_results);
    reveal->setObjectName(QStringLiteral("showInFileManager"));
    reveal->setIcon(QIcon::fromTheme(QStringLiteral("system-file-manager")));
    connect(reveal, &QAction::triggered, this, &SearchWindow::revealCurrent);
    m_results->addActions({open, reveal});
    m_results->setContextMenuPolicy(Qt::ActionsContextMenu);

    // Large thumbnails, shown a little smaller: sharp also on high-density screens.
    m_thumbnails = new ThumbnailLoader(thumbnails, ThumbnailCache::Size::Large, this);
    connect(m_thumbnails, &ThumbnailLoader::loaded, this, &SearchWindow::showThumbnail);

    m_debounce.setSingleShot(true);
    m_debounce.setInterval(kDebounceMilliseconds);
    connect(&m_debounce, &QTimer::timeout, this, &SearchWindow::startQuery);
    connect(m_field, &QLineEdit::textChanged, &m_debounce, qOverload<>(&QTimer::start));
    connect(m_field, &QLineEdit::returnPressed, this, [this] {
        if (m_model->rowCount() > 0 && m_shownText == m_field->text().trimmed())
            openCurrent();
        else
            startQuery();
    });
    resize(860, 600);
}

SearchWindow::~SearchWindow() = default;

void SearchWindow::setQueryText(const QString& text)
{
    m_field->setText(text);
    m_shownText = QStringLiteral("\n");  // never typed: the query runs again
    m_debounce.stop();
    startQuery();
}

QString SearchWindow::resultPath(int row) const
{
    return m_model->index(row, 0).data(SearchResultDelegate::kPathRole).toString();
}

void SearchWindow::startQuery()
{
    m_debounce.stop();
    // One query at a time: the text typed meanwhile is asked when it ends.
    if (m_isQuerying)
        return;
    const QString text = m_field->text().trimmed();
    if (text == m_shownText)
        return;
    if (text.isEmpty()) {
        showHits(text, QList<SearchHit>());
        return;
    }
    m_isQuerying = true;
    SearchQuery query;
    query.text = text;
    query.limit = kResultLimit;
    auto* watcher = new QFutureWatcher<std::optional<QList<SearchHit>>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, text] {
        watcher->deleteLater();
        m_isQuerying = false;
        showHits(text, watcher->result());
        if (m_field->text().trimmed() != text)
            startQuery();
    });
    ScreenshotSearch& search = m_search;
    watcher->setFuture(QtConcurrent::run([&search, query] { return search.search(query); }));
}

void SearchWindow::showHits(const QString& text, const std::optional<QList<SearchHit>>& hits)
{
    m_shownText = text;
    m_model->clear();
    const QIcon loading = themeIcon("image-x-generic", QStyle::SP_FileIcon, *this);
    QStringList paths;
    for (const SearchHit& hit : hits.value_or(QList<SearchHit>())) {
        auto* item = new QStandardItem(loading, SearchHitText::captureTime(hit.capturedAt));
        item->setData(hit.path, SearchResultDelegate::kPathRole);
        item->setData(SearchHitText::htmlSnippet(hit.snippet), SearchResultDelegate::kSnippetHtmlRole);
        item->setData(item->text() + QStringLiteral(": ") + SearchHitText::plainSnippet(hit.snippet),
                      Qt::AccessibleTextRole);
        item->setToolTip(hit.path);
        item->setSizeHint({SearchResultDelegate::kCellWidth, SearchResultDelegate::kCellHeight});
        m_model->appendRow(item);
        paths.append(hit.path);
    }
    m_thumbnails->request(paths);
    if (text.isEmpty())
        m_state->setText(kPrompt);
    else if (!hits)
        m_state->setText(QStringLiteral("The screenshots cannot be searched right now. Try again in a moment."));
    else if (hits->isEmpty())
        m_state->setText(QStringLiteral("No screenshot shows \u201c%1\u201d.").arg(text));
    m_state->setHidden(!paths.isEmpty());
    m_results->setHidden(paths.isEmpty());
    if (!paths.isEmpty())
        m_results->setCurrentIndex(m_model->index(0, 0));
    Q_EMIT resultsShown();
}

void SearchWindow::showThumbnail(const QString& path, const QImage& image)
{
    const QIcon icon = image.isNull() ? themeIcon("image-missing", QStyle::SP_MessageBoxWarning, *this)
                                      : QIcon(QPixmap::fromImage(image));
    for (int row = 0; row < m_model->rowCount(); ++row) {
        QStandardItem* item = m_model->item(row);
        if (item->data(SearchResultDelegate::kPathRole).toString() == path) {
            item->setIcon(icon);
            item->setData(!image.isNull(), SearchResultDelegate::kHasThumbnailRole);
        }
    }
}

QString SearchWindow::currentPath() const
{
    return m_results->currentIndex().data(SearchResultDelegate::kPathRole).toString();
}

void SearchWindow::openCurrent()
{
    if (!currentPath().isEmpty())
        m_opener.open(currentPath());
}

void SearchWindow::revealCurrent()
{
    if (!currentPath().isEmpty())
        m_opener.showInFileManager(currentPath());
}

// Down in the field moves into the grid; typing in the grid goes to the field.
bool SearchWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down
        && m_model->rowCount() > 0) {
        m_results->setFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SearchWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
