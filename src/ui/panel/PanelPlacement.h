#pragma once

#include <QRect>

// Where the panel opens: beside its anchor (the tray icon's geometry where
// the tray reports it, else the pointer), on the side away from the screen
// edge the anchor is nearest to (below an icon in a top bar, above one in a
// bottom bar, beside one in a side bar), and always wholly inside the
// screen's available area.
namespace PanelPlacement {

constexpr int kGap = 4;

QRect place(const QRect& anchor, const QSize& size, const QRect& available);

}  // namespace PanelPlacement
