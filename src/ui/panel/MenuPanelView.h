#pragma once

#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>

class FeedbackPromptView;
class MenuRow;
class Preferences;
class QFrame;
class QLabel;
class QVBoxLayout;
class TrayStatus;

// The panel's content, top to bottom: the start/stop row, the status lines,
// the permission line, the feedback prompt, and the action rows. A plain
// widget: the tray's popup, the window shown where there is no tray, tests
// and screenshots all host it.
class MenuPanelView : public QWidget
{
    Q_OBJECT

public:
    // What the rows do beyond the panel itself.
    struct Actions
    {
        std::function<void()> toggleCapture;
        std::function<void()> exportToday;
        std::function<void()> openSettings;
        std::function<void()> checkForUpdates;  // none: the row stays hidden
        std::function<void()> quit;
        std::function<void(const QUrl&)> openUrl;  // folders, the feedback form, mail
        std::function<void()> searchScreenshots;
    };

    static constexpr int kDelayAfterDismissMilliseconds = 100;

    MenuPanelView(TrayStatus& status, Preferences& preferences, Actions actions, QWidget* parent = nullptr);

    bool isAltDown() const { return m_isAltDown; }
    // The rows, for the tray's context menu and for tests.
    MenuRow* startStopRow() const { return m_startStop; }
    MenuRow* folderRow() const { return m_folder; }
    MenuRow* searchRow() const { return m_search; }
    MenuRow* exportRow() const { return m_export; }
    MenuRow* settingsRow() const { return m_settings; }
    MenuRow* updatesRow() const { return m_updates; }
    MenuRow* quitRow() const { return m_quit; }
    QStringList statusTexts() const;  // the status block and permission line as shown
    FeedbackPromptView* feedbackPrompt() const { return m_feedback; }
    bool isCountingDown() const { return m_countdown.isActive(); }

    // Opens the screenshots folder, or today's folder when Alt is held and
    // it exists; a missing screenshots folder is made first (0700).
    void openFolder(bool today);

Q_SIGNALS:
    void dismissRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildRows(QVBoxLayout* layout);
    void refresh();
    void refreshFeedback();
    void refreshCountdown();
    void setAltDown(bool down);
    void dismissThen(std::function<void()> action, int delayMilliseconds = 0);

    TrayStatus& m_status;
    Preferences& m_preferences;
    Actions m_actions;
    MenuRow* m_startStop = nullptr;
    MenuRow* m_search = nullptr;
    QVBoxLayout* m_statusBlock = nullptr;
    QLabel* m_countdownLabel = nullptr;
    QLabel* m_permissionLine = nullptr;
    FeedbackPromptView* m_feedback = nullptr;
    QFrame* m_feedbackDivider = nullptr;
    MenuRow* m_folder = nullptr;
    MenuRow* m_export = nullptr;
    MenuRow* m_settings = nullptr;
    MenuRow* m_updates = nullptr;
    MenuRow* m_quit = nullptr;
    QTimer m_countdown;
    bool m_isAltDown = false;
};
