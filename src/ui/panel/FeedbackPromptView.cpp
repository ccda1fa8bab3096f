#include "ui/panel/FeedbackPromptView.h"

#include "core/feedback/FeedbackLinks.h"
#include "core/settings/Preferences.h"
#include "momentra/BuildInfo.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

FeedbackPromptView::FeedbackPromptView(Preferences& preferences, UrlOpener openUrl, QWidget* parent)
    : QWidget(parent)
    , m_preferences(preferences)
    , m_openUrl(std::move(openUrl))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 4, 6, 4);
    auto* header = new QHBoxLayout;
    auto* question = new QLabel(QStringLiteral("How is Momentra working for you?"));
    QFont font = question->font();
    font.setWeight(QFont::Medium);
    question->setFont(font);
    auto* close = new QToolButton;
    close->setObjectName(QStringLiteral("notNow"));
    close->setIcon(
        QIcon::fromTheme(QStringLiteral("window-close-symbolic"), QIcon::fromTheme(QStringLiteral("window-close"))));
    if (close->icon().isNull())
        close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    close->setToolTip(QStringLiteral("Not now"));
    close->setAccessibleName(QStringLiteral("Not now"));
    connect(close, &QToolButton::clicked, this, &FeedbackPromptView::answer);
    header->addWidget(question, 1);
    header->addWidget(close);
    layout->addLayout(header);

    auto* starsRow = new QHBoxLayout;
    starsRow->setSpacing(2);
    for (int number = 1; number <= 5; ++number) {
        auto* star = new QToolButton;
        star->setObjectName(QStringLiteral("star%1").arg(number));
        star->setAutoRaise(true);
        star->setAccessibleName(number == 1 ? QStringLiteral("1 star") : QStringLiteral("%1 stars").arg(number));
        star->setToolTip(star->accessibleName());
        QFont starFont = star->font();
        starFont.setPointSizeF(starFont.pointSizeF() * 1.6);
        star->setFont(starFont);
        star->installEventFilter(this);
        connect(star, &QToolButton::clicked, this, [this, number] {
            m_selectedRating = number;
            updateStars();
        });
        starsRow->addWidget(star);
        m_stars.append(star);
    }
    starsRow->addStretch();
    m_send = new QPushButton(QStringLiteral("Send"));
    m_send->setObjectName(QStringLiteral("send"));
    m_send->setFlat(true);
    QFont sendFont = m_send->font();
    sendFont.setWeight(QFont::DemiBold);
    m_send->setFont(sendFont);
    m_send->setStyleSheet(QStringLiteral("color: palette(highlight);"));
    connect(m_send, &QPushButton::clicked, this, [this] { submit(m_selectedRating); });
    starsRow->addWidget(m_send);
    layout->addLayout(starsRow);
    updateStars();
}

bool FeedbackPromptView::eventFilter(QObject* watched, QEvent* event)
{
    const int number = int(m_stars.indexOf(static_cast<QToolButton*>(watched))) + 1;
    if (number > 0 && event->type() == QEvent::Enter) {
        m_hoveredStar = number;
        updateStars();
    } else if (number > 0 && event->type() == QEvent::Leave && m_hoveredStar == number) {
        m_hoveredStar = 0;
        updateStars();
    }
    return QWidget::eventFilter(watched, event);
}

void FeedbackPromptView::updateStars()
{
    const int shown = displayedRating();
    for (int i = 0; i < m_stars.size(); ++i) {
        m_stars[i]->setText(i < shown ? QStringLiteral("★") : QStringLiteral("☆"));
        m_stars[i]->setStyleSheet(i < shown ? QStringLiteral("color: #e5a50a;") : QString());
    }
    m_send->setVisible(m_selectedRating != 0);
}

void FeedbackPromptView::answer()
{
    m_preferences.setHasRespondedToFeedbackPrompt(true);
    Q_EMIT dismissRequested();
}

void FeedbackPromptView::submit(int rating)
{
    if (rating <= 0)
        return;
    answer();
    const QUrl link = FeedbackLinks::forRating(rating, QStringLiteral(MOMENTRA_FEEDBACK_FORM_URL),
                                               QStringLiteral(MOMENTRA_SUPPORT_EMAIL),
                                               QStringLiteral(MOMENTRA_VERSION));
    QTimer::singleShot(100, this, [opener = m_openUrl, link] { opener(link); });
}
