#pragma once

#include <QString>

// The tray icon's look: idle (a grey dot), capturing (a red dot), needs
// attention (no dot, an orange warning triangle).
namespace MenuBarIcon {

enum class State {
    Idle,
    Capturing,
    NeedsAttention,
};

// "Momentra: capturing": the tooltip and the accessible title.
QString title(State state);
// The icon's theme name, "momentra-idle" or, for panels that recolour
// single-colour icons, "momentra-idle-symbolic".
QString iconName(State state, bool symbolic);

}  // namespace MenuBarIcon
