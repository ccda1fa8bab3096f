#include "platform/linux/shortcuts/ShortcutNotation.h"

#include "core/shortcuts/VirtualKeyCodes.h"
#include "platform/linux/X11KeySymbols.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>

namespace ShortcutNotation {

namespace {

using Shortcut = KeyboardShortcuts::Shortcut;

struct ModifierNames
{
    const char* control;
    const char* alt;
    const char* shift;
    const char* super;
};

QString keysymName(int keyCode)
{
    const QList<uint32_t> keysyms = X11KeySymbols::keysyms(keyCode);
    if (keysyms.isEmpty())
        return {};
    char name[64];
    const int length = xkb_keysym_get_name(keysyms.first(), name, sizeof name);
    return length > 0 ? QString::fromLatin1(name, length) : QString();
}

QString combination(const Shortcut& shortcut, const ModifierNames& names, const QString& separator)
{
    const QString key = keysymName(shortcut.keyCode);
    if (key.isEmpty())
        return {};
    QString text;
    const auto add = [&](int bit, const char* name) {
        if (shortcut.modifiers & bit)
            text += QLatin1String(name) + separator;
    };
    add(Shortcut::kControl, names.control);
    add(Shortcut::kAlt, names.alt);
    add(Shortcut::kShift, names.shift);
    add(Shortcut::kSuper, names.super);
    return text + key;
}

}  // namespace

QString portalTrigger(const Shortcut& shortcut)
{
    return combination(shortcut, {"CTRL", "ALT", "SHIFT", "LOGO"}, QStringLiteral("+"));
}

QString gtkAccelerator(const Shortcut& shortcut)
{
    return combination(shortcut, {"<Control>", "<Alt>", "<Shift>", "<Super>"}, QString());
}

QString swayCombination(const Shortcut& shortcut)
{
    return combination(shortcut, {"Ctrl", "Alt", "Shift", "Mod4"}, QStringLiteral("+"));
}

std::optional<int> qtKeyCombination(const Shortcut& shortcut)
{
    const auto key = VirtualKeyCodes::find(shortcut.keyCode);
    if (!key)
        return std::nullopt;
    int combination = key->qtKey | (key->keypad ? int(Qt::KeypadModifier) : 0);
    if (shortcut.modifiers & Shortcut::kControl)
        combination |= int(Qt::ControlModifier);
    if (shortcut.modifiers & Shortcut::kAlt)
        combination |= int(Qt::AltModifier);
    if (shortcut.modifiers & Shortcut::kShift)
        combination |= int(Qt::ShiftModifier);
    if (shortcut.modifiers & Shortcut::kSuper)
        combination |= int(Qt::MetaModifier);
    return combination;
}

QString toggleCommand(const QString& executable)
{
    static const QString kPlain = QStringLiteral("/._-+,:@%=");
    const bool plain = std::all_of(executable.cbegin(), executable.cend(),
                                   [](QChar c) { return c.isLetterOrNumber() || kPlain.contains(c); });
    QString quoted = executable;
    if (!plain)
        quoted = u'\'' + quoted.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
    return quoted + QStringLiteral(" toggle");
}

}  // namespace ShortcutNotation
