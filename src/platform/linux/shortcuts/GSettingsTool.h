#pragma once

#include "core/Result.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// GSettings through the `gsettings` tool (GLib's, package libglib2.0-bin):
// values in GVariant text form, keys of relocatable schemas at a path
// ("schema:/path/"). The backend is whatever the environment chooses (dconf
// on a desktop; GSETTINGS_BACKEND=keyfile under $XDG_CONFIG_HOME in tests).
// The tool runs without waiting for it: commands in the order given, one at
// a time.
class GSettingsTool : public QObject
{
    Q_OBJECT

public:
    static constexpr int kTimeoutMs = 5000;
    // The last command's output, or the first failure.
    using Done = std::function<void(const Result<QString>& output)>;

    explicit GSettingsTool(QObject* parent = nullptr);
    ~GSettingsTool() override;

    // Each is the arguments of one command, for `run`.
    static QStringList get(const QString& schema, const QString& key);
    static QStringList set(const QString& schema, const QString& key, const QString& value);
    static QStringList reset(const QString& schema, const QString& key);
    // Runs the commands one after the other and stops at the first that fails.
    void run(QList<QStringList> commands, Done done);

    // GVariant text of a string ('it\'s') and of a string list (['a', 'b']).
    static QString quoted(const QString& text);
    static QString quotedList(const QStringList& list);
    // The strings of a GVariant string list as gsettings prints it
    // ("@as []", "['a', \"b\"]"); absent when the text is not such a list.
    static std::optional<QStringList> parseList(const QString& text);

private:
    void runNext(QList<QStringList> commands, const Done& done);
    static Result<QString> outcome(QProcess& process);

    QPointer<QProcess> m_process;
};
