#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QString>
#include <Qt>

#include <optional>

namespace KeyboardShortcuts {

// One key combination: a layout-independent virtual key code (see
// VirtualKeyCodes.h; 1 is the S key) and a modifier mask. The numbers are
// the ones stored in the settings file, so they never change meaning.
struct Shortcut
{
    static constexpr int kSuper = 0x100;
    static constexpr int kShift = 0x200;
    static constexpr int kAlt = 0x800;
    static constexpr int kControl = 0x1000;
    static constexpr int kAllModifiers = kSuper | kShift | kAlt | kControl;

    int keyCode = 0;
    int modifiers = 0;

    bool operator==(const Shortcut&) const = default;

    // Ctrl, Alt, Shift and Meta (Super) map to their bits; every other flag
    // (keypad, group switch) is dropped.
    static Shortcut fromKey(int keyCode, Qt::KeyboardModifiers modifiers);
    static int modifierMask(Qt::KeyboardModifiers modifiers);

    // The stored form: the UTF-8 text of {"carbonKeyCode":1,"carbonModifiers":2560}
    // (the member names are the settings file's and keep their spelling).
    QString toJsonString() const;
    // Decodes by member name; anything else (not JSON, not an object, a
    // member missing or not a whole number) is no shortcut.
    static std::optional<Shortcut> fromJsonString(const QString& text);

    bool hasModifiers() const { return (modifiers & kAllModifiers) != 0; }

    // "Ctrl+Alt+Shift+S": the modifiers in a fixed order, then the key's name.
    QString words() const;
    // "Ctrl+Alt+": the modifiers alone, as a combination being typed.
    static QString modifierWords(int modifiers);
};

inline size_t qHash(const Shortcut& shortcut, size_t seed = 0) noexcept
{
    return qHashMulti(seed, shortcut.keyCode, shortcut.modifiers);
}

}  // namespace KeyboardShortcuts
