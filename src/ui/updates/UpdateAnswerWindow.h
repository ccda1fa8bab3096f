#pragma once

#include "core/updates/Updater.h"

#include <QDialog>
#include <QUrl>

#include <functional>

class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTextBrowser;

// The answer to a check the user asked for, in a small window: "Checking
// for updates…" while it runs, then up to date (naming the version), a
// newer version with its notes and "Download" / "Later", or "Couldn't
// check for updates: " and why. "Download" fetches and verifies the package
// and hands it to the desktop's installer ("Install" once it is here); a
// release without a package for this computer opens its release page.
class UpdateAnswerWindow : public QDialog
{
    Q_OBJECT

public:
    struct Actions
    {
        std::function<void(const QUrl&)> openUrl;
        std::function<void(const QString&)> openPackage;
    };

    UpdateAnswerWindow(Updater& updater, Actions actions, QWidget* parent = nullptr);

    // Starts a check and shows the window, raised.
    void checkNow();

    QString title() const;
    QString text() const;
    QPushButton* acceptButton() const { return m_accept; }  // "Download", "Install" or "OK"
    QPushButton* laterButton() const { return m_later; }

private:
    void showChecking();
    void showAnswer(Updater::Origin origin, const Updater::Answer& answer);
    void showDownloaded(bool ok, const QString& pathOrReason);
    void accepted();
    void setIcon(const QString& name);

    Updater& m_updater;
    Actions m_actions;
    QLabel* m_icon;
    QLabel* m_title;
    QLabel* m_text;
    QTextBrowser* m_notes;
    QProgressBar* m_busy;
    QDialogButtonBox* m_buttons;
    QPushButton* m_accept;
    QPushButton* m_later;
    Updater::Answer::Kind m_kind = Updater::Answer::Kind::Failed;
    bool m_isChecking = false;
};
