#include "platform/linux/shortcuts/GnomeCustomKeybinding.h"

#include "platform/linux/shortcuts/ShortcutNotation.h"

namespace {

const QString kMediaKeys = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
const QString kList = QStringLiteral("custom-keybindings");

QString bindingSchema()
{
    return kMediaKeys + QStringLiteral(".custom-keybinding:") + QLatin1String(GnomeCustomKeybinding::kPath);
}

QString failure(const QString& why)
{
    return QStringLiteral("GNOME's keyboard settings could not be changed: %1").arg(why);
}

}  // namespace

GnomeCustomKeybinding::GnomeCustomKeybinding(QString command)
    : m_command(std::move(command))
{
}

QString GnomeCustomKeybinding::configurationLine(const KeyboardShortcuts::Shortcut& shortcut) const
{
    return ShortcutNotation::gtkAccelerator(shortcut) + QStringLiteral(" → ") + m_command;
}

Result<QStringList> GnomeCustomKeybinding::listed() const
{
    const auto text = m_settings.get(kMediaKeys, kList);
    if (!text)
        return Result<QStringList>::failure(failure(text.error()));
    const auto list = GSettingsTool::parseList(*text);
    if (!list)
        return Result<QStringList>::failure(
            failure(QStringLiteral("the list of custom shortcuts reads %1").arg(*text)));
    return *list;
}

Result<bool> GnomeCustomKeybinding::isWritten()
{
    const auto list = listed();
    if (!list)
        return Result<bool>::failure(list.error());
    return list->contains(QLatin1String(kPath));
}

Result<void> GnomeCustomKeybinding::setBindingKey(const QString& key, const QString& value) const
{
    const auto done = m_settings.set(bindingSchema(), key, GSettingsTool::quoted(value));
    return done ? done : Result<void>::failure(failure(done.error()));
}

// The binding's keys first, then the list: GNOME picks the shortcut up
// complete, never half written.
Result<void> GnomeCustomKeybinding::write(const KeyboardShortcuts::Shortcut& shortcut)
{
    const QString accelerator = ShortcutNotation::gtkAccelerator(shortcut);
    if (accelerator.isEmpty())
        return Result<void>::failure(failure(QStringLiteral("GNOME has no name for %1").arg(shortcut.words())));
    for (const auto& [key, value] :
         {std::pair{QStringLiteral("name"), QStringLiteral("Momentra: start or stop screenshots")},
          std::pair{QStringLiteral("command"), m_command}, std::pair{QStringLiteral("binding"), accelerator}}) {
        if (const auto done = setBindingKey(key, value); !done)
            return done;
    }
    auto list = listed();
    if (!list)
        return Result<void>::failure(list.error());
    if (list->contains(QLatin1String(kPath)))
        return Result<void>::success();
    list.value().append(QLatin1String(kPath));
    const auto done = m_settings.set(kMediaKeys, kList, GSettingsTool::quotedList(*list));
    return done ? done : Result<void>::failure(failure(done.error()));
}

Result<void> GnomeCustomKeybinding::remove()
{
    auto list = listed();
    if (!list)
        return Result<void>::failure(list.error());
    if (list.value().removeAll(QLatin1String(kPath)) > 0) {
        if (const auto done = m_settings.set(kMediaKeys, kList, GSettingsTool::quotedList(*list)); !done)
            return Result<void>::failure(failure(done.error()));
    }
    for (const QString& key : {QStringLiteral("name"), QStringLiteral("command"), QStringLiteral("binding")})
        m_settings.reset(bindingSchema(), key);
    return Result<void>::success();
}
