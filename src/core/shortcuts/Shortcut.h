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
    static constexpr int kCommand = 0x100;   // Super on this desktop
    static constexpr int kShift = 0x200;
    static constexpr int kOption = 0x800;    // Alt on this desktop
    static constexpr int kControl = 0x1000;
    static constexpr int kFunction = 0x20000;
    static constexpr int kAllModifiers = kCommand | kShift | kOption | kControl | kFunction;

    int carbonKeyCode = 0;
    int carbonModifiers = 0;

    bool operator==(const Shortcut&) const = default;

    // Ctrl → control, Alt → option, Shift → shift, Meta (Super) → command;
    // every other flag (keypad, group switch) is dropped.
    static Shortcut fromKey(int carbonKeyCode, Qt::KeyboardModifiers modifiers);
    static int modifierMask(Qt::KeyboardModifiers modifiers);

    // The stored form: the UTF-8 text of {"carbonKeyCode":1,"carbonModifiers":2560}.
    QString toJsonString() const;
    // Decodes by member name; anything else (not JSON, not an object, a
    // member missing or not a whole number) is no shortcut.
    static std::optional<Shortcut> fromJsonString(const QString& text);

    bool hasModifiers() const { return (carbonModifiers & (kAllModifiers & ~kFunction)) != 0; }

    // "⌃⌥⇧❖S": modifier symbols in a fixed order, then the key's symbol.
    QString symbols() const;
    static QString modifierSymbols(int carbonModifiers);
    // "Ctrl+Alt+Shift+S": the same in words, for tooltips and messages.
    QString words() const;
};

inline size_t qHash(const Shortcut& shortcut, size_t seed = 0) noexcept
{
    return qHashMulti(seed, shortcut.carbonKeyCode, shortcut.carbonModifiers);
}

}  // namespace KeyboardShortcuts
