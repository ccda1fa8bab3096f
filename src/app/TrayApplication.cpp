#include "app/TrayApplication.h"

#include "app/AppDelegate.h"
#include "app/AppRoot.h"
#include "app/CaptureService.h"
#include "app/TrayController.h"
#if MOMENTRA_SELF_UPDATE
#include "app/updates/UpdateComponent.h"
#include "core/updates/Updater.h"
#endif
#include "core/status/TrayStatus.h"
#include "ui/panel/MenuPanelView.h"
#include "ui/panel/MenuRow.h"
#include "ui/panel/PanelWindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QTimer>

namespace {

// How soon after the panel lost its focus a click on the icon counts as
// closing it rather than opening it again.
constexpr int kReopenGuardMilliseconds = 300;

}  // namespace

TrayApplication::TrayApplication(AppDelegate& delegate, AppRoot& root, QObject* parent)
    : QObject(parent)
    , m_delegate(delegate)
    , m_status(std::make_unique<TrayStatus>(delegate.service().engine(), root.capturePermission()))
{
    QApplication::setQuitOnLastWindowClosed(false);
    MenuPanelView::Actions actions{
        [this] { m_delegate.toggleCapture(); }, [this] { m_delegate.exportToday(); },
        [this] { m_delegate.openSettings(); },  {},  // with the update component only
        [this] { m_delegate.quit(); },          [](const QUrl& url) { QDesktopServices::openUrl(url); },
    };
    actions.searchScreenshots = [this] { m_delegate.showSearch(); };
#if MOMENTRA_SELF_UPDATE
    actions.checkForUpdates = [&root] { root.updates().checkNow(); };
#endif
    m_panel = std::make_unique<PanelWindow>(new MenuPanelView(*m_status, root.preferences(), std::move(actions)));
    m_panel->installEventFilter(this);
    buildMenu();
#if MOMENTRA_SELF_UPDATE
    followUpdates(root.updates().updater());
#endif

    m_tray = std::make_unique<TrayController>(*m_status, m_menu, root.log());
    connect(m_tray.get(), &TrayController::clicked, this, [this](std::optional<QRect> geometry) {
        if (m_panel->isVisible()) {
            m_panel->hide();
            return;
        }
        if (m_sinceHidden.isValid() && m_sinceHidden.elapsed() < kReopenGuardMilliseconds)
            return;
        m_panel->open(geometry);
    });
    connect(m_tray.get(), &TrayController::iconShown, this, [this] {
        if (m_panel->mode() == PanelWindow::Mode::Window) {
            m_panel->hide();
            m_panel->setMode(PanelWindow::Mode::Popup);
        }
    });
    connect(&m_delegate, &AppDelegate::reopenRequested, this, &TrayApplication::openPanel);
    m_tray->start();
    if (!m_tray->hasIcon()) {
        m_panel->setMode(PanelWindow::Mode::Window);
        m_panel->open();
        return;
    }
    // Once the icon is registered and the event loop runs.
    QTimer::singleShot(0, m_panel.get(), [panel = m_panel.get()] {
        if (!panel->isVisible())
            panel->prepare();
    });
}

TrayApplication::~TrayApplication()
{
    m_panel->removeEventFilter(this);
}

void TrayApplication::openPanel()
{
    m_panel->open();
}

bool TrayApplication::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panel.get() && event->type() == QEvent::Hide)
        m_sinceHidden.start();
    return QObject::eventFilter(watched, event);
}

// The same actions as the panel's rows, for trays that show only a menu.
void TrayApplication::buildMenu()
{
    MenuPanelView& view = *m_panel->view();
    m_startStop = m_menu.addAction(QString(), view.startStopRow(), &MenuRow::click);
    m_menu.addAction(QStringLiteral("Open Momentra…"), this, &TrayApplication::openPanel);
    m_menu.addSeparator();
    m_menu.addAction(QStringLiteral("Open Screenshots Folder"), &view, [&view] { view.openFolder(false); });
    m_menu.addAction(QStringLiteral("Search Screenshots…"), this, [this] { m_delegate.showSearch(); });
    m_menu.addAction(QStringLiteral("Export Today as Video"), this, [this] { m_delegate.exportToday(); });
    m_menu.addAction(QStringLiteral("Settings…"), this, [this] { m_delegate.openSettings(); });
    if (view.updatesRow()->isVisibleTo(&view))
        m_updates = m_menu.addAction(view.updatesRow()->title(), view.updatesRow(), &MenuRow::click);
    m_menu.addSeparator();
    m_menu.addAction(QStringLiteral("Quit Momentra"), this, [this] { m_delegate.quit(); });
    connect(m_status.get(), &TrayStatus::changed, this, &TrayApplication::refreshMenu);
    refreshMenu();
}

#if MOMENTRA_SELF_UPDATE
// "Check for Updates…" reads "Update Available…" once a check found a newer version.
void TrayApplication::followUpdates(Updater& updater)
{
    const auto show = [this, &updater] {
        const QString title = updater.newerRelease() ? QStringLiteral("Update Available…")
                                                     : QStringLiteral("Check for Updates…");
        m_panel->view()->updatesRow()->setTitle(title);
        m_updates->setText(title);
    };
    connect(&updater, &Updater::newerReleaseChanged, this, show);
    show();
}
#endif

void TrayApplication::refreshMenu()
{
    m_startStop->setText(m_panel->view()->startStopRow()->title());
}
