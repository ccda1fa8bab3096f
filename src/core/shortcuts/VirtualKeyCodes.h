#pragma once

#include <QList>
#include <QString>

#include <optional>

// The virtual key codes stored in shortcuts. They name a key by its place on
// an ANSI keyboard, not by the character it types: 0 is A, 1 is S, 122 is F1.
// The platform layer maps each code to the keyboard's own key; this table
// gives the codes, their Qt keys (for recording) and their names.
namespace VirtualKeyCodes {

constexpr int kS = 1;
constexpr int kEscape = 53;
constexpr int kDelete = 51;  // Backspace
constexpr int kForwardDelete = 117;

struct Key
{
    int code;
    int qtKey;    // Qt::Key
    bool keypad;  // the Qt key comes with Qt::KeypadModifier
    const char* name;
};

const QList<Key>& all();
std::optional<Key> find(int code);

// The code of the key that produced a Qt key event; shifted characters of a
// US layout ("!", "@", "{") count as their unshifted key.
std::optional<int> fromQtKey(int qtKey, bool keypad);

QString name(int code);  // "S", "F5", "Left Arrow"; unknown codes as "Key 200"

bool isFunctionKey(int code);  // F1 … F20

}  // namespace VirtualKeyCodes
