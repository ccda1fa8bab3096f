#include "ui/panel/MenuPanelView.h"

#include "core/feedback/FeedbackLinks.h"
#include "core/library/LibraryLayout.h"
#include "core/settings/Preferences.h"
#include "core/status/TrayStatus.h"
#include "ui/panel/FeedbackPromptView.h"
#include "ui/panel/MenuRow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

const QColor kRed(0xc0, 0x1c, 0x28);

QFrame* divider()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// A filled circle with a white stop square or play triangle, drawn for the
// screen's pixel ratio.
QIcon startStopIcon(bool capturing, const QColor& accent, qreal ratio)
{
    constexpr int kSize = 24;
    QPixmap pixmap(QSize(kSize, kSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(capturing ? kRed : accent);
    painter.drawEllipse(QRectF(1, 1, kSize - 2, kSize - 2));
    painter.setBrush(Qt::white);
    if (capturing) {
        painter.drawRoundedRect(QRectF(8, 8, 8, 8), 1.5, 1.5);
    } else {
        QPainterPath triangle;
        triangle.moveTo(9.5, 7);
        triangle.lineTo(17.5, 12);
        triangle.lineTo(9.5, 17);
        triangle.closeSubpath();
        painter.drawPath(triangle);
    }
    return QIcon(pixmap);
}

QLabel* captionLabel(const QString& text, TrayStatus::Line::Kind kind, const QPalette& palette)
{
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    if (kind == TrayStatus::Line::Kind::Warning)
        label->setStyleSheet(QStringLiteral("color: %1;").arg(kRed.name()));
    else if (kind == TrayStatus::Line::Kind::Secondary)
        label->setStyleSheet(
            QStringLiteral("color: %1;").arg(palette.color(QPalette::PlaceholderText).name(QColor::HexArgb)));
    return label;
}

}  // namespace

MenuPanelView::MenuPanelView(TrayStatus& status, Preferences& preferences, Actions actions, QWidget* parent)
    : QWidget(parent)
    , m_status(status)
    , m_preferences(preferences)
    , m_actions(std::move(actions))
{
    setObjectName(QStringLiteral("menuPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(2);

    m_startStop = new MenuRow(QString());
    m_startStop->setObjectName(QStringLiteral("startStop"));
    m_startStop->setIconSize(QSize(24, 24));
    QFont font = m_startStop->font();
    font.setWeight(QFont::Medium);
    m_startStop->setFont(font);
    connect(m_startStop, &MenuRow::clicked, this, [this] { m_actions.toggleCapture(); });
    layout->addWidget(m_startStop);

    m_statusBlock = new QVBoxLayout;
    m_statusBlock->setContentsMargins(10, 0, 10, 2);
    m_statusBlock->setSpacing(1);
    layout->addLayout(m_statusBlock);
    m_permissionLine = captionLabel(QLatin1String(TrayStatus::kPermissionOffText), TrayStatus::Line::Kind::Warning,
                                    palette());
    m_permissionLine->setContentsMargins(10, 0, 10, 2);
    layout->addWidget(m_permissionLine);
    layout->addWidget(divider());

    m_feedback = new FeedbackPromptView(m_preferences, m_actions.openUrl);
    connect(m_feedback, &FeedbackPromptView::dismissRequested, this, &MenuPanelView::dismissRequested);
    layout->addWidget(m_feedback);
    m_feedbackDivider = divider();
    layout->addWidget(m_feedbackDivider);

    buildRows(layout);
    setMinimumWidth(280);

    m_countdown.setInterval(1000);
    connect(&m_countdown, &QTimer::timeout, this, &MenuPanelView::refreshCountdown);
    connect(&m_status, &TrayStatus::changed, this, &MenuPanelView::refresh);
    connect(&m_preferences, &Preferences::changed, this, &MenuPanelView::refreshFeedback);
    refresh();
    refreshFeedback();
}

void MenuPanelView::buildRows(QVBoxLayout* layout)
{
    const auto row = [layout](const char* name, const QString& title) {
        auto* added = new MenuRow(title);
        added->setObjectName(QLatin1String(name));
        layout->addWidget(added);
        return added;
    };
    m_folder = row("folder", QStringLiteral("Open Screenshots Folder"));
    connect(m_folder, &MenuRow::clicked, this, [this] {
        const bool today = m_isAltDown || QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier);
        dismissThen([this, today] { openFolder(today); });
    });
    m_search = row("search", QStringLiteral("Search Screenshots…"));
    connect(m_search, &MenuRow::clicked, this,
            [this] { dismissThen(m_actions.searchScreenshots, kDelayAfterDismissMilliseconds); });
    m_export = row("export", QStringLiteral("Export Today as Video"));
    connect(m_export, &MenuRow::clicked, this,
            [this] { dismissThen(m_actions.exportToday, kDelayAfterDismissMilliseconds); });
    m_settings = row("settings", QStringLiteral("Settings…"));
    connect(m_settings, &MenuRow::clicked, this,
            [this] { dismissThen(m_actions.openSettings, kDelayAfterDismissMilliseconds); });
    m_updates = row("updates", QStringLiteral("Check for Updates…"));
    m_updates->setVisible(bool(m_actions.checkForUpdates));
    connect(m_updates, &MenuRow::clicked, this, [this] { dismissThen(m_actions.checkForUpdates); });
    m_quit = row("quit", QStringLiteral("Quit Momentra"));
    connect(m_quit, &MenuRow::clicked, this, [this] { m_actions.quit(); });
}

void MenuPanelView::dismissThen(std::function<void()> action, int delayMilliseconds)
{
    Q_EMIT dismissRequested();
    if (delayMilliseconds > 0)
        QTimer::singleShot(delayMilliseconds, this, std::move(action));
    else
        action();
}

void MenuPanelView::refresh()
{
    const TrayStatus::Facts facts = m_status.facts();
    m_startStop->setTitle(facts.capturing ? QStringLiteral("Stop Screenshots") : QStringLiteral("Start Screenshots"));
    m_startStop->setIcon(startStopIcon(facts.capturing, palette().color(QPalette::Highlight), devicePixelRatioF()));

    while (QLayoutItem* item = m_statusBlock->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_countdownLabel = nullptr;
    for (TrayStatus::Line line : TrayStatus::statusLines(facts)) {
        if (line.kind == TrayStatus::Line::Kind::Status && facts.missingDisplayName && facts.capturing)
            line.text = fontMetrics().elidedText(line.text, Qt::ElideMiddle, 260);
        QLabel* label = captionLabel(line.text, line.kind, palette());
        if (line.kind == TrayStatus::Line::Kind::Countdown) {
            label->setObjectName(QStringLiteral("countdown"));
            m_countdownLabel = label;
        }
        m_statusBlock->addWidget(label);
    }
    m_permissionLine->setVisible(!facts.hasPermission);
    refreshCountdown();
}

void MenuPanelView::refreshCountdown()
{
    const auto next = m_status.facts().nextCaptureAt;
    if (!m_countdownLabel || !next)
        return;
    const qint64 left = (QDateTime::currentDateTime().msecsTo(*next) + 999) / 1000;
    m_countdownLabel->setText(QStringLiteral("Next in ") + TrayStatus::countdown(left));
}

void MenuPanelView::refreshFeedback()
{
    const bool shows = FeedbackLinks::showsPrompt(m_preferences.hasRespondedToFeedbackPrompt(),
                                                  m_preferences.captureDayCount());
    m_feedback->setVisible(shows);
    m_feedbackDivider->setVisible(shows);
}

QStringList MenuPanelView::statusTexts() const
{
    QStringList texts;
    for (int i = 0; i < m_statusBlock->count(); ++i)
        texts.append(static_cast<QLabel*>(m_statusBlock->itemAt(i)->widget())->text());
    if (!m_permissionLine->isHidden())
        texts.append(m_permissionLine->text());
    return texts;
}

void MenuPanelView::openFolder(bool today)
{
    const QString folder = m_preferences.folderPath();
    const QString todayFolder = QDir(folder).filePath(LibraryLayout::dayFolderName(QDateTime::currentDateTime()));
    if (today && QFileInfo(todayFolder).isDir()) {
        m_actions.openUrl(QUrl::fromLocalFile(todayFolder));
        return;
    }
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_actions.openUrl(QUrl::fromLocalFile(folder));
}

void MenuPanelView::setAltDown(bool down)
{
    m_isAltDown = down;
    m_folder->setTitle(down ? QStringLiteral("Open Today's Folder") : QStringLiteral("Open Screenshots Folder"));
}

// Alt (the Option key of other systems) switches the folder row while the
// panel shows; the count-down runs only then too.
void MenuPanelView::showEvent(QShowEvent* event)
{
    m_status.refreshPermission();
    qApp->installEventFilter(this);
    setAltDown(QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier));
    refreshCountdown();
    m_countdown.start();
    m_startStop->setFocus(Qt::PopupFocusReason);
    QWidget::showEvent(event);
}

void MenuPanelView::hideEvent(QHideEvent* event)
{
    qApp->removeEventFilter(this);
    m_countdown.stop();
    setAltDown(false);
    QWidget::hideEvent(event);
}

bool MenuPanelView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt || key->key() == Qt::Key_AltGr)
            setAltDown(event->type() == QEvent::KeyPress);
    }
    return QWidget::eventFilter(watched, event);
}
