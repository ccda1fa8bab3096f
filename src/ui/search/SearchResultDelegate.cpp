#include "ui/search/SearchResultDelegate.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QTextDocument>

namespace {

constexpr int kPadding = 6;
constexpr int kSnippetLines = 3;
constexpr int kPlaceholderSize = 48;

}  // namespace

QSize SearchResultDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return {kCellWidth, kCellHeight};
}

void SearchResultDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = QIcon();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);
    // Styles that select only an item's text (Fusion) leave the whole cell to the delegate.
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QPalette::ColorGroup group = !option.state.testFlag(QStyle::State_Enabled) ? QPalette::Disabled
                                       : option.state.testFlag(QStyle::State_Active) ? QPalette::Active
                                                                                     : QPalette::Inactive;
    if (selected)
        painter->fillRect(option.rect.adjusted(1, 1, -1, -1), option.palette.brush(group, QPalette::Highlight));
    const QColor textColor = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);

    const QRect cell = option.rect.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    const QRect thumbnailArea(cell.left(), cell.top(), cell.width(), kThumbnailHeight);
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    const QSize available = index.data(kHasThumbnailRole).toBool() ? thumbnailArea.size()
                                                                   : QSize(kPlaceholderSize, kPlaceholderSize);
    const QPixmap pixmap = icon.pixmap(available, painter->device() ? painter->device()->devicePixelRatioF() : 1.0);
    QSize shown = pixmap.deviceIndependentSize().toSize();
    if (shown.width() > available.width() || shown.height() > available.height())
        shown.scale(available, Qt::KeepAspectRatio);
    painter->drawPixmap(
        QRect(QPoint(thumbnailArea.center().x() - shown.width() / 2, thumbnailArea.center().y() - shown.height() / 2),
              shown),
        pixmap);

    painter->save();
    painter->setPen(textColor);
    QFont timeFont = option.font;
    timeFont.setBold(true);
    painter->setFont(timeFont);
    const QFontMetrics timeMetrics(timeFont);
    const QRect timeArea(cell.left(), thumbnailArea.bottom() + kPadding, cell.width(), timeMetrics.height());
    painter->drawText(timeArea, Qt::AlignHCenter | Qt::AlignTop,
                      timeMetrics.elidedText(index.data(kTimeRole).toString(), Qt::ElideRight, cell.width()));

    QTextDocument snippet;
    snippet.setDefaultFont(option.font);
    snippet.setDocumentMargin(0);
    snippet.setTextWidth(cell.width());
    snippet.setDefaultStyleSheet(QStringLiteral("body { color: %1; }").arg(textColor.name()));
    snippet.setHtml(QStringLiteral("<body><center>%1</center></body>").arg(index.data(kSnippetHtmlRole).toString()));
    const int snippetHeight = QFontMetrics(option.font).lineSpacing() * kSnippetLines;
    painter->translate(cell.left(), timeArea.bottom() + 2);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(0, 0, cell.width(), snippetHeight);
    context.palette = option.palette;
    context.palette.setColor(QPalette::Text, textColor);
    painter->setClipRect(context.clip);
    snippet.documentLayout()->draw(painter, context);
    painter->restore();
}
