#pragma once

#include <QString>

#include <optional>

// The screen-cast portal's restore token: the desktop's remembered consent,
// handed back at every session start so the user is asked once. Kept in
// $XDG_STATE_HOME/Momentra/screencast-restore-token (0600, folder 0700),
// replaced atomically, since each session start hands out a new one.
class RestoreTokenStore
{
public:
    enum class State { Missing, Valid, Corrupt };

    explicit RestoreTokenStore(QString path = standardPath());

    static QString standardPath();
    // A token as the portal makes them: a UUID in its textual form.
    static bool isWellFormed(const QString& token);

    State state() const;
    std::optional<QString> load() const;  // the token when it is well formed
    bool save(const QString& token);
    void forget();
    const QString& path() const { return m_path; }

private:
    QString read() const;

    QString m_path;
};
