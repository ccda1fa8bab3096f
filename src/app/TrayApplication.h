#pragma once

#include <QElapsedTimer>
#include <QMenu>
#include <QObject>

#include <memory>

class AppDelegate;
class AppRoot;
class PanelWindow;
class QAction;
class TrayController;
class TrayStatus;
class Updater;

// The tray application's windows around a launched delegate: the status
// presenter, the tray icon with its context menu, and the panel. The panel
// opens from the icon, from a relaunch, and, where there is no tray, at
// launch as an ordinary window; closing that window leaves Momentra
// running.
class TrayApplication : public QObject
{
    Q_OBJECT

public:
    TrayApplication(AppDelegate& delegate, AppRoot& root, QObject* parent = nullptr);
    ~TrayApplication() override;

    PanelWindow& panel() { return *m_panel; }
    TrayController& tray() { return *m_tray; }
    // From the icon: opens the panel, or closes it when the same click just
    // took its focus away.
    void openPanel();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void refreshMenu();
    void followUpdates(Updater& updater);

    AppDelegate& m_delegate;
    std::unique_ptr<TrayStatus> m_status;
    std::unique_ptr<PanelWindow> m_panel;
    QMenu m_menu;
    QAction* m_startStop = nullptr;
    QAction* m_updates = nullptr;  // with the update component only
    std::unique_ptr<TrayController> m_tray;
    QElapsedTimer m_sinceHidden;
};
