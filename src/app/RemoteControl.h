#pragma once

#include <QDBusConnection>
#include <QObject>

#include <functional>
#include <optional>

class CaptureService;

// The running instance on the session bus as app.momentra.Momentra, so that
// `momentra toggle` (bound to a key on desktops without global shortcuts),
// `momentra start` and `momentra stop` reach it, and a second instance
// knows the first one is there; `momentra diagnostics` asks it for the report
// of its running engine; `momentra search` without words opens its search window.
class RemoteControl : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.momentra.Momentra")

public:
    static constexpr const char* kServiceName = "app.momentra.Momentra";
    static constexpr const char* kObjectPath = "/app/momentra/Momentra";

    RemoteControl(CaptureService& service, QDBusConnection bus, QObject* parent = nullptr);
    ~RemoteControl() override;

    // The diagnostics report with the log block of `days` days and `lines` lines.
    using DiagnosticsSource = std::function<QString(int days, int lines)>;
    void setDiagnostics(DiagnosticsSource source) { m_diagnostics = std::move(source); }

    enum class Registration { Registered, AlreadyRunning, NoBus };
    // Claims the name unless another instance holds it.
    Registration registerOnBus();
    // Asks the instance that holds the name to show itself; false when none runs.
    static bool askRunningToReopen(QDBusConnection bus);
    // The running instance's diagnostics report; nothing when none runs.
    static std::optional<QString> askRunningForDiagnostics(QDBusConnection bus, int days, int lines);
    // Asks the session's Momentra to open its search window, through the
    // search's bus name: D-Bus starts the desktop's search service when
    // nothing holds it.
    static bool askToShowSearch(QDBusConnection bus, const QStringList& terms);

Q_SIGNALS:
    void reopenRequested();
    void searchRequested(const QStringList& terms);

public Q_SLOTS:
    void Toggle();
    void Start();
    void Stop();
    bool IsCapturing() const;
    // Launched again: show a window.
    void Reopen();
    QString Diagnostics(int days, int lines) const;
    // The search window, its field filled with the terms.
    void ShowSearch(const QStringList& terms);

private:
    CaptureService& m_service;
    QDBusConnection m_bus;
    bool m_registered = false;
    DiagnosticsSource m_diagnostics;
};
