#pragma once

#include <QList>
#include <QtGlobal>

#include <cstdint>

// Maps the stored virtual key codes to X keysyms and the stored modifier
// mask to X modifier bits: Alt = Mod1, Super = Mod4, Control and Shift as
// themselves.
namespace X11KeySymbols {

// Every keysym that the key with this code may carry, the usual one first
// (a keypad digit is KP_1 with Num Lock on and KP_End without). Empty for
// codes this desktop has no key for.
QList<uint32_t> keysyms(int keyCode);
QList<int> allCodes();

uint16_t x11Modifiers(int modifiers);
int modifiersFromX11(uint16_t x11State);
constexpr uint16_t kRelevantModifiers = 0x1 | 0x4 | 0x8 | 0x40;  // Shift, Control, Mod1, Mod4

}  // namespace X11KeySymbols
