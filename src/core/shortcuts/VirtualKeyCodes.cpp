#include "core/shortcuts/VirtualKeyCodes.h"

#include <Qt>

namespace VirtualKeyCodes {

namespace {

// clang-format off
const QList<Key> kKeys = {
    // Letters
    {0, Qt::Key_A, false, "A"},   {11, Qt::Key_B, false, "B"},  {8, Qt::Key_C, false, "C"},
    {2, Qt::Key_D, false, "D"},   {14, Qt::Key_E, false, "E"},  {3, Qt::Key_F, false, "F"},
    {5, Qt::Key_G, false, "G"},   {4, Qt::Key_H, false, "H"},   {34, Qt::Key_I, false, "I"},
    {38, Qt::Key_J, false, "J"},  {40, Qt::Key_K, false, "K"},  {37, Qt::Key_L, false, "L"},
    {46, Qt::Key_M, false, "M"},  {45, Qt::Key_N, false, "N"},  {31, Qt::Key_O, false, "O"},
    {35, Qt::Key_P, false, "P"},  {12, Qt::Key_Q, false, "Q"},  {15, Qt::Key_R, false, "R"},
    {1, Qt::Key_S, false, "S"},   {17, Qt::Key_T, false, "T"},  {32, Qt::Key_U, false, "U"},
    {9, Qt::Key_V, false, "V"},   {13, Qt::Key_W, false, "W"},  {7, Qt::Key_X, false, "X"},
    {16, Qt::Key_Y, false, "Y"},  {6, Qt::Key_Z, false, "Z"},
    // Digits of the main block
    {29, Qt::Key_0, false, "0"},  {18, Qt::Key_1, false, "1"},  {19, Qt::Key_2, false, "2"},
    {20, Qt::Key_3, false, "3"},  {21, Qt::Key_4, false, "4"},  {23, Qt::Key_5, false, "5"},
    {22, Qt::Key_6, false, "6"},  {26, Qt::Key_7, false, "7"},  {28, Qt::Key_8, false, "8"},
    {25, Qt::Key_9, false, "9"},
    // Punctuation
    {27, Qt::Key_Minus, false, "Minus"},            {24, Qt::Key_Equal, false, "Equal"},
    {33, Qt::Key_BracketLeft, false, "Left Bracket"}, {30, Qt::Key_BracketRight, false, "Right Bracket"},
    {41, Qt::Key_Semicolon, false, "Semicolon"},    {39, Qt::Key_Apostrophe, false, "Quote"},
    {42, Qt::Key_Backslash, false, "Backslash"},   {43, Qt::Key_Comma, false, "Comma"},
    {47, Qt::Key_Period, false, "Period"},          {44, Qt::Key_Slash, false, "Slash"},
    {50, Qt::Key_QuoteLeft, false, "Grave"},        {10, Qt::Key_section, false, "Section"},
    // Editing and navigation
    {36, Qt::Key_Return, false, "Return"},     {48, Qt::Key_Tab, false, "Tab"},
    {49, Qt::Key_Space, false, "Space"},        {51, Qt::Key_Backspace, false, "Backspace"},
    {53, Qt::Key_Escape, false, "Escape"},     {117, Qt::Key_Delete, false, "Delete"},
    {114, Qt::Key_Insert, false, "Insert"},       {115, Qt::Key_Home, false, "Home"},
    {119, Qt::Key_End, false, "End"},          {116, Qt::Key_PageUp, false, "Page Up"},
    {121, Qt::Key_PageDown, false, "Page Down"},
    {123, Qt::Key_Left, false, "Left Arrow"},  {124, Qt::Key_Right, false, "Right Arrow"},
    {125, Qt::Key_Down, false, "Down Arrow"},  {126, Qt::Key_Up, false, "Up Arrow"},
    // Function keys
    {122, Qt::Key_F1, false, "F1"},    {120, Qt::Key_F2, false, "F2"},    {99, Qt::Key_F3, false, "F3"},
    {118, Qt::Key_F4, false, "F4"},    {96, Qt::Key_F5, false, "F5"},     {97, Qt::Key_F6, false, "F6"},
    {98, Qt::Key_F7, false, "F7"},     {100, Qt::Key_F8, false, "F8"},    {101, Qt::Key_F9, false, "F9"},
    {109, Qt::Key_F10, false, "F10"}, {103, Qt::Key_F11, false, "F11"}, {111, Qt::Key_F12, false, "F12"},
    {105, Qt::Key_F13, false, "F13"}, {107, Qt::Key_F14, false, "F14"}, {113, Qt::Key_F15, false, "F15"},
    {106, Qt::Key_F16, false, "F16"}, {64, Qt::Key_F17, false, "F17"},  {79, Qt::Key_F18, false, "F18"},
    {80, Qt::Key_F19, false, "F19"},  {90, Qt::Key_F20, false, "F20"},
    // Keypad
    {82, Qt::Key_0, true, "Keypad 0"},  {83, Qt::Key_1, true, "Keypad 1"},  {84, Qt::Key_2, true, "Keypad 2"},
    {85, Qt::Key_3, true, "Keypad 3"},  {86, Qt::Key_4, true, "Keypad 4"},  {87, Qt::Key_5, true, "Keypad 5"},
    {88, Qt::Key_6, true, "Keypad 6"},  {89, Qt::Key_7, true, "Keypad 7"},  {91, Qt::Key_8, true, "Keypad 8"},
    {92, Qt::Key_9, true, "Keypad 9"},
    {65, Qt::Key_Period, true, "Keypad Decimal"},    {67, Qt::Key_Asterisk, true, "Keypad Multiply"},
    {69, Qt::Key_Plus, true, "Keypad Plus"},         {78, Qt::Key_Minus, true, "Keypad Minus"},
    {75, Qt::Key_Slash, true, "Keypad Divide"},      {81, Qt::Key_Equal, true, "Keypad Equals"},
    {76, Qt::Key_Enter, true, "Keypad Enter"},  {71, Qt::Key_Clear, true, "Keypad Clear"},
    // Volume keys
    {72, Qt::Key_VolumeUp, false, "Volume Up"}, {73, Qt::Key_VolumeDown, false, "Volume Down"},
    {74, Qt::Key_VolumeMute, false, "Mute"},
};

// Shifted characters of a US layout, by the key that types them.
const QList<QPair<int, int>> kShifted = {
    {Qt::Key_Exclam, 18},     {Qt::Key_At, 19},         {Qt::Key_NumberSign, 20}, {Qt::Key_Dollar, 21},
    {Qt::Key_Percent, 23},    {Qt::Key_AsciiCircum, 22}, {Qt::Key_Ampersand, 26}, {Qt::Key_Asterisk, 28},
    {Qt::Key_ParenLeft, 25},  {Qt::Key_ParenRight, 29}, {Qt::Key_Underscore, 27}, {Qt::Key_Plus, 24},
    {Qt::Key_BraceLeft, 33},  {Qt::Key_BraceRight, 30}, {Qt::Key_Colon, 41},      {Qt::Key_QuoteDbl, 39},
    {Qt::Key_Bar, 42},        {Qt::Key_Less, 43},       {Qt::Key_Greater, 47},    {Qt::Key_Question, 44},
    {Qt::Key_AsciiTilde, 50}, {Qt::Key_Backtab, 48},    {Qt::Key_Enter, 76},      {Qt::Key_Help, 114},
};
// clang-format on

}  // namespace

const QList<Key>& all()
{
    return kKeys;
}

std::optional<Key> find(int code)
{
    for (const Key& key : kKeys) {
        if (key.code == code)
            return key;
    }
    return std::nullopt;
}

std::optional<int> fromQtKey(int qtKey, bool keypad)
{
    for (const Key& key : kKeys) {
        if (key.qtKey == qtKey && key.keypad == keypad)
            return key.code;
    }
    if (!keypad) {
        for (const auto& [shiftedKey, code] : kShifted) {
            if (shiftedKey == qtKey)
                return code;
        }
    } else {
        // Keypad keys without a keypad entry (Num Lock off: Home, arrows…)
        // are the same keys as the navigation block's.
        return fromQtKey(qtKey, false);
    }
    return std::nullopt;
}

QString name(int code)
{
    const auto key = find(code);
    return key ? QString::fromUtf8(key->name) : QStringLiteral("Key %1").arg(code);
}

bool isFunctionKey(int code)
{
    static const QList<int> kFunctionKeys = {122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                             103, 111, 105, 107, 113, 106, 64, 79,  80,  90};
    return kFunctionKeys.contains(code);
}

}  // namespace VirtualKeyCodes
