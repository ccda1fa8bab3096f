#include "platform/linux/X11KeySymbols.h"

#include "core/shortcuts/Shortcut.h"

#include <QHash>

#include <xcb/xproto.h>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace X11KeySymbols {

namespace {

using Shortcut = KeyboardShortcuts::Shortcut;

// clang-format off
const QHash<int, QList<uint32_t>> kTable = {
    // Letters
    {0, {XKB_KEY_a}},  {11, {XKB_KEY_b}}, {8, {XKB_KEY_c}},  {2, {XKB_KEY_d}},  {14, {XKB_KEY_e}}, {3, {XKB_KEY_f}},
    {5, {XKB_KEY_g}},  {4, {XKB_KEY_h}},  {34, {XKB_KEY_i}}, {38, {XKB_KEY_j}}, {40, {XKB_KEY_k}}, {37, {XKB_KEY_l}},
    {46, {XKB_KEY_m}}, {45, {XKB_KEY_n}}, {31, {XKB_KEY_o}}, {35, {XKB_KEY_p}}, {12, {XKB_KEY_q}}, {15, {XKB_KEY_r}},
    {1, {XKB_KEY_s}},  {17, {XKB_KEY_t}}, {32, {XKB_KEY_u}}, {9, {XKB_KEY_v}},  {13, {XKB_KEY_w}}, {7, {XKB_KEY_x}},
    {16, {XKB_KEY_y}}, {6, {XKB_KEY_z}},
    // Digits
    {29, {XKB_KEY_0}}, {18, {XKB_KEY_1}}, {19, {XKB_KEY_2}}, {20, {XKB_KEY_3}}, {21, {XKB_KEY_4}},
    {23, {XKB_KEY_5}}, {22, {XKB_KEY_6}}, {26, {XKB_KEY_7}}, {28, {XKB_KEY_8}}, {25, {XKB_KEY_9}},
    // Punctuation
    {27, {XKB_KEY_minus}},        {24, {XKB_KEY_equal}},     {33, {XKB_KEY_bracketleft}},
    {30, {XKB_KEY_bracketright}}, {41, {XKB_KEY_semicolon}}, {39, {XKB_KEY_apostrophe}},
    {42, {XKB_KEY_backslash}},    {43, {XKB_KEY_comma}},     {47, {XKB_KEY_period}},
    {44, {XKB_KEY_slash}},        {50, {XKB_KEY_grave}},     {10, {XKB_KEY_section, XKB_KEY_less}},
    // Editing and navigation (help is the key in the Insert position)
    {36, {XKB_KEY_Return}},   {48, {XKB_KEY_Tab, XKB_KEY_ISO_Left_Tab}}, {49, {XKB_KEY_space}},
    {51, {XKB_KEY_BackSpace}}, {53, {XKB_KEY_Escape}},  {117, {XKB_KEY_Delete}},  {114, {XKB_KEY_Insert, XKB_KEY_Help}},
    {115, {XKB_KEY_Home}},    {119, {XKB_KEY_End}},     {116, {XKB_KEY_Prior}},   {121, {XKB_KEY_Next}},
    {123, {XKB_KEY_Left}},    {124, {XKB_KEY_Right}},   {125, {XKB_KEY_Down}},    {126, {XKB_KEY_Up}},
    // Function keys
    {122, {XKB_KEY_F1}},  {120, {XKB_KEY_F2}},  {99, {XKB_KEY_F3}},   {118, {XKB_KEY_F4}},  {96, {XKB_KEY_F5}},
    {97, {XKB_KEY_F6}},   {98, {XKB_KEY_F7}},   {100, {XKB_KEY_F8}},  {101, {XKB_KEY_F9}},  {109, {XKB_KEY_F10}},
    {103, {XKB_KEY_F11}}, {111, {XKB_KEY_F12}}, {105, {XKB_KEY_F13}}, {107, {XKB_KEY_F14}}, {113, {XKB_KEY_F15}},
    {106, {XKB_KEY_F16}}, {64, {XKB_KEY_F17}},  {79, {XKB_KEY_F18}},  {80, {XKB_KEY_F19}},  {90, {XKB_KEY_F20}},
    // Keypad
    {82, {XKB_KEY_KP_0, XKB_KEY_KP_Insert}}, {83, {XKB_KEY_KP_1, XKB_KEY_KP_End}},
    {84, {XKB_KEY_KP_2, XKB_KEY_KP_Down}},   {85, {XKB_KEY_KP_3, XKB_KEY_KP_Next}},
    {86, {XKB_KEY_KP_4, XKB_KEY_KP_Left}},   {87, {XKB_KEY_KP_5, XKB_KEY_KP_Begin}},
    {88, {XKB_KEY_KP_6, XKB_KEY_KP_Right}},  {89, {XKB_KEY_KP_7, XKB_KEY_KP_Home}},
    {91, {XKB_KEY_KP_8, XKB_KEY_KP_Up}},     {92, {XKB_KEY_KP_9, XKB_KEY_KP_Prior}},
    {65, {XKB_KEY_KP_Decimal, XKB_KEY_KP_Delete}}, {67, {XKB_KEY_KP_Multiply}}, {69, {XKB_KEY_KP_Add}},
    {78, {XKB_KEY_KP_Subtract}}, {75, {XKB_KEY_KP_Divide}}, {81, {XKB_KEY_KP_Equal}},
    {76, {XKB_KEY_KP_Enter}},    {71, {XKB_KEY_Clear}},
    // Volume keys
    {72, {XKB_KEY_XF86AudioRaiseVolume}}, {73, {XKB_KEY_XF86AudioLowerVolume}}, {74, {XKB_KEY_XF86AudioMute}},
};
// clang-format on

}  // namespace

QList<uint32_t> keysyms(int keyCode)
{
    return kTable.value(keyCode);
}

QList<int> allCodes()
{
    return kTable.keys();
}

uint16_t x11Modifiers(int modifiers)
{
    uint16_t mask = 0;
    if (modifiers & Shortcut::kShift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Shortcut::kControl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Shortcut::kAlt)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Shortcut::kSuper)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

int modifiersFromX11(uint16_t x11State)
{
    int mask = 0;
    if (x11State & XCB_MOD_MASK_SHIFT)
        mask |= Shortcut::kShift;
    if (x11State & XCB_MOD_MASK_CONTROL)
        mask |= Shortcut::kControl;
    if (x11State & XCB_MOD_MASK_1)
        mask |= Shortcut::kAlt;
    if (x11State & XCB_MOD_MASK_4)
        mask |= Shortcut::kSuper;
    return mask;
}

}  // namespace X11KeySymbols
