#pragma once

#include "core/Result.h"

#include <QString>
#include <QStringList>

#include <optional>

// GSettings through the `gsettings` tool (GLib's, package libglib2.0-bin):
// values in GVariant text form, keys of relocatable schemas at a path
// ("schema:/path/"). The backend is whatever the environment chooses (dconf
// on a desktop; GSETTINGS_BACKEND=keyfile under $XDG_CONFIG_HOME in tests).
class GSettingsTool
{
public:
    static constexpr int kTimeoutMs = 5000;

    Result<QString> get(const QString& schema, const QString& key) const;
    Result<void> set(const QString& schema, const QString& key, const QString& value) const;
    Result<void> reset(const QString& schema, const QString& key) const;

    // GVariant text of a string ('it\'s') and of a string list (['a', 'b']).
    static QString quoted(const QString& text);
    static QString quotedList(const QStringList& list);
    // The strings of a GVariant string list as gsettings prints it
    // ("@as []", "['a', \"b\"]"); absent when the text is not such a list.
    static std::optional<QStringList> parseList(const QString& text);

private:
    Result<QString> run(const QStringList& arguments) const;
};
