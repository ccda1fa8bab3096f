#include "ui/onboarding/OnboardingWindow.h"

#include "core/LoginItems.h"
#include "core/capture/ScreenCapturePermission.h"
#include "core/settings/Preferences.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>
#include <QtConcurrent/QtConcurrentRun>

namespace {

QIcon appIcon()
{
    return QIcon::fromTheme(QStringLiteral("app.momentra.Momentra"),
                            QIcon(QStringLiteral(":/icons/app.momentra.Momentra.svg")));
}

QLabel* heading(const QString& text)
{
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    return label;
}

QLabel* bodyText(const QString& text)
{
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    return label;
}

QHBoxLayout* centred(QWidget* widget)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(widget);
    row->addStretch();
    return row;
}

QFont smaller(QFont font)
{
    font.setPointSizeF(font.pointSizeF() * 0.92);
    return font;
}

// Green that keeps its contrast on a light and on a dark window.
QColor positiveColour(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() > 128 ? QColor(0x1a, 0x7f, 0x37) : QColor(0x57, 0xe3, 0x89);
}

// Text a step back from the window's own, still easy to read.
QColor secondaryColour(const QPalette& palette)
{
    const QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);
    const auto mix = [](int a, int b) { return (a * 7 + b * 3) / 10; };
    return QColor(mix(text.red(), window.red()), mix(text.green(), window.green()), mix(text.blue(), window.blue()));
}

// The theme's check mark; a symbolic one is drawn in the given colour.
QPixmap checkMark(const QWidget* widget, const QColor& colour)
{
    const int size = widget->style()->pixelMetric(QStyle::PM_SmallIconSize);
    const qreal ratio = widget->devicePixelRatioF();
    const QIcon symbolic = QIcon::fromTheme(QStringLiteral("emblem-ok-symbolic"));
    if (symbolic.isNull()) {
        QIcon icon = QIcon::fromTheme(QStringLiteral("dialog-ok"));
        if (icon.isNull())
            icon = widget->style()->standardIcon(QStyle::SP_DialogApplyButton);
        return icon.pixmap(QSize(size, size), ratio);
    }
    QPixmap pixmap = symbolic.pixmap(QSize(size, size), ratio);
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), colour);
    return pixmap;
}

// A page's column: its heading, then its text.
QVBoxLayout* pageLayout(QWidget* page, const QString& title, const QString& text)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(heading(title));
    layout->addSpacing(4);
    layout->addWidget(bodyText(text));
    return layout;
}

}  // namespace

OnboardingWindow::OnboardingWindow(Preferences& preferences, ScreenCapturePermission& permission,
                                   LoginItems& loginItems, Actions actions, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_preferences(preferences)
    , m_permission(permission)
    , m_loginItems(loginItems)
    , m_actions(std::move(actions))
    , m_page(preferences.hasSeenOnboardingWelcome() ? Page::Permission : Page::Welcome)
    , m_hasPermission(permission.isGranted())
{
    setWindowTitle(tr("Welcome to Momentra"));
    const QIcon icon = appIcon();
    setWindowIcon(icon);
    setFixedSize(kSize);

    auto* iconLabel = new QLabel;
    iconLabel->setPixmap(icon.pixmap(QSize(kIconSize, kIconSize), devicePixelRatioF()));
    iconLabel->setFixedSize(kIconSize, kIconSize);

    m_pages = new QStackedWidget;
    m_pages->addWidget(buildWelcomePage());
    m_pages->addWidget(buildPermissionPage());

    m_primary = new QPushButton;
    m_primary->setObjectName(QStringLiteral("primary"));
    m_primary->setDefault(true);
    m_primary->setMinimumWidth(kPrimaryMinimumWidth);
    connect(m_primary, &QPushButton::clicked, this, &OnboardingWindow::primaryAction);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->addStretch(1);
    layout->addLayout(centred(iconLabel));
    layout->addWidget(m_pages);
    layout->addStretch(2);
    layout->addLayout(centred(m_primary));

    connect(&m_registration, &QFutureWatcher<void>::finished, this, &OnboardingWindow::welcomeLeft);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
        if (window)
            refreshPermission();
    });
    updateContent();
}

QWidget* OnboardingWindow::buildWelcomePage()
{
    m_startAtLogin = new QCheckBox(tr("Start Momentra at login"));
    m_startAtLogin->setObjectName(QStringLiteral("startAtLogin"));
    m_startAtLogin->setChecked(true);

    auto* page = new QWidget;
    QVBoxLayout* layout = pageLayout(
        page, tr("Welcome to Momentra"),
        tr("Momentra quietly captures every connected display on a timer, so you always have "
           "a visual record of your day. Click the tray icon anytime to start, stop, or "
           "export a timelapse."));
    layout->addSpacing(8);
    layout->addLayout(centred(m_startAtLogin));
    return page;
}

QWidget* OnboardingWindow::buildPermissionPage()
{
    const QColor green = positiveColour(palette());
    auto* checkIcon = new QLabel;
    checkIcon->setPixmap(checkMark(this, green));
    auto* enabled = new QLabel(tr("Screen Recording is enabled."));
    enabled->setFont(smaller(enabled->font()));
    QPalette enabledPalette = enabled->palette();
    enabledPalette.setColor(QPalette::WindowText, green);
    enabled->setPalette(enabledPalette);
    m_granted = new QWidget;
    m_granted->setObjectName(QStringLiteral("granted"));
    auto* grantedRow = new QHBoxLayout(m_granted);
    grantedRow->setContentsMargins(0, 0, 0, 0);
    grantedRow->setSpacing(6);
    grantedRow->addStretch();
    grantedRow->addWidget(checkIcon);
    grantedRow->addWidget(enabled);
    grantedRow->addStretch();

    m_hint = bodyText(tr("Allow Momentra when your desktop asks, then restart Momentra."));
    m_hint->setObjectName(QStringLiteral("hint"));
    m_hint->setFont(smaller(m_hint->font()));
    QPalette hintPalette = m_hint->palette();
    hintPalette.setColor(QPalette::WindowText, secondaryColour(hintPalette));
    m_hint->setPalette(hintPalette);

    m_settingsLink = new QPushButton(tr("Open Settings"));
    m_settingsLink->setObjectName(QStringLiteral("settingsLink"));
    m_settingsLink->setFlat(true);
    m_settingsLink->setAutoDefault(false);
    m_settingsLink->setCursor(Qt::PointingHandCursor);
    QPalette linkPalette = m_settingsLink->palette();
    linkPalette.setColor(QPalette::ButtonText, linkPalette.color(QPalette::Link));
    m_settingsLink->setPalette(linkPalette);
    connect(m_settingsLink, &QPushButton::clicked, this, [this] { m_actions.openSettings(); });

    auto* page = new QWidget;
    QVBoxLayout* layout = pageLayout(
        page, tr("Allow Screen Recording"),
        tr("Momentra needs permission to record your screen to capture your displays. It's "
           "the only permission it asks for, and nothing leaves your computer."));
    layout->addWidget(m_granted);
    layout->addWidget(m_hint);
    layout->addLayout(centred(m_settingsLink));
    return page;
}

void OnboardingWindow::refreshPermission()
{
    const bool granted = m_permission.isGranted();
    if (granted == m_hasPermission)
        return;
    m_hasPermission = granted;
    updateContent();
}

void OnboardingWindow::reject()
{
}

void OnboardingWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    Q_EMIT closed();
}

void OnboardingWindow::primaryAction()
{
    if (m_page == Page::Welcome)
        leaveWelcome();
    else if (m_hasPermission)
        m_actions.finish();
    else if (m_didRequestPermission)
        m_actions.restart();
    else
        requestPermission();
}

// Registering may block while the desktop asks the user, so it runs off the
// main thread; the working flag makes a second press meanwhile do nothing.
// A failure is not reported here: the settings show the login item's state.
void OnboardingWindow::leaveWelcome()
{
    if (m_working)
        return;
    m_working = true;
    updateContent();
    const bool registers = m_startAtLogin->isChecked();
    LoginItems& loginItems = m_loginItems;
    m_registration.setFuture(QtConcurrent::run([&loginItems, registers] {
        if (registers)
            (void)loginItems.registerItem();
    }));
}

void OnboardingWindow::welcomeLeft()
{
    m_working = false;
    m_hasPermission = m_permission.isGranted();
    m_preferences.setHasSeenOnboardingWelcome(true);
    m_page = Page::Permission;
    updateContent();
    m_primary->setFocus();
}

void OnboardingWindow::requestPermission()
{
    m_didRequestPermission = true;
    m_permission.request();
    m_hasPermission = m_permission.isGranted();
    updateContent();
}

void OnboardingWindow::updateContent()
{
    m_pages->setCurrentIndex(m_page == Page::Welcome ? 0 : 1);
    const bool refused = !m_hasPermission && m_didRequestPermission;
    m_granted->setVisible(m_hasPermission);
    m_hint->setVisible(refused);
    m_settingsLink->setVisible(refused && m_actions.openSettings);
    m_primary->setText(primaryTitle());
    m_primary->setEnabled(!m_working);
}

QString OnboardingWindow::primaryTitle() const
{
    if (m_page == Page::Welcome)
        return tr("Continue");
    if (m_hasPermission)
        return tr("Done");
    if (m_didRequestPermission)
        return tr("Restart Momentra");
    return tr("Allow Screen Recording…");
}
