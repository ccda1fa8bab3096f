#include "platform/linux/shortcuts/SwayBindingLine.h"

#include "platform/linux/shortcuts/ShortcutNotation.h"

QString SwayBindingLine::configurationLine(const KeyboardShortcuts::Shortcut& shortcut) const
{
    const QString combination = ShortcutNotation::swayCombination(shortcut);
    return combination.isEmpty() ? QString() : QStringLiteral("bindsym %1 exec %2").arg(combination, m_command);
}

Result<void> SwayBindingLine::write(const KeyboardShortcuts::Shortcut&)
{
    return Result<void>::failure(QStringLiteral("sway's configuration is yours to edit: add the line shown."));
}
