#include "platform/linux/shortcuts/SwayBindingLine.h"

#include "platform/linux/shortcuts/ShortcutNotation.h"

QString SwayBindingLine::configurationLine(const KeyboardShortcuts::Shortcut& shortcut) const
{
    const QString combination = ShortcutNotation::swayCombination(shortcut);
    return combination.isEmpty() ? QString() : QStringLiteral("bindsym %1 exec %2").arg(combination, m_command);
}
