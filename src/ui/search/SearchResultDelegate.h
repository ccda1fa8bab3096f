#pragma once

#include <QStyledItemDelegate>

// Draws one result of the search window's grid: the thumbnail, below it the
// capture time and the snippet with the matched words in bold.
class SearchResultDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int kTimeRole = Qt::DisplayRole;
    static constexpr int kPathRole = Qt::UserRole + 1;
    static constexpr int kSnippetHtmlRole = Qt::UserRole + 2;
    static constexpr int kHasThumbnailRole = Qt::UserRole + 3;  // else the icon is a placeholder
    static constexpr int kCellWidth = 196;
    static constexpr int kCellHeight = 196;
    static constexpr int kThumbnailHeight = 118;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
