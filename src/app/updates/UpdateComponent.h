#pragma once

#include <QObject>
#include <QString>

#include <memory>

class DesktopUpdateNotifier;
class EventLog;
class NetworkUpdateTransport;
class UpdateAnswerWindow;
class UpdateReminders;
class UpdateScheduler;
class UpdateSettings;
class Updater;

// Software updates for this session, put together: the switches, the
// network, the updater with its scheduled checks and reminders, and the
// answer window of a check the user asks for. Built by the composition
// root on first use; scheduled checks begin with start().
class UpdateComponent : public QObject
{
    Q_OBJECT

public:
    explicit UpdateComponent(EventLog& log, QObject* parent = nullptr);
    ~UpdateComponent() override;

    // Scheduled checks from now on, while automatic checks are on.
    void start();
    // A check the user asked for, answered in the (one) answer window.
    void checkNow();

    UpdateSettings& settings() { return *m_settings; }
    Updater& updater() { return *m_updater; }
    UpdateAnswerWindow* answerWindow() const { return m_window.get(); }

    // "Momentra/0.1.0 (amd64)": all that a check tells about this computer.
    static QByteArray userAgent();
    // Opens the verified package in the desktop's installer, as the user.
    static void openPackage(const QString& path);

private:
    std::unique_ptr<UpdateSettings> m_settings;
    std::unique_ptr<NetworkUpdateTransport> m_transport;
    std::unique_ptr<DesktopUpdateNotifier> m_notifier;
    std::unique_ptr<Updater> m_updater;
    std::unique_ptr<UpdateScheduler> m_scheduler;
    std::unique_ptr<UpdateReminders> m_reminders;
    std::unique_ptr<UpdateAnswerWindow> m_window;
};
