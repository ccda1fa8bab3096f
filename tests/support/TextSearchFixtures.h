#pragma once

#include "core/Bitmap.h"

#include <QImage>
#include <QString>
#include <QStringList>

// Images of known text for the recogniser and the commands that use it.
namespace TextSearchFixtures {

// Lines of text drawn in a common desktop font, dark on light or light on dark.
QImage renderText(const QStringList& lines, bool dark = false, QSize size = QSize(900, 300), int pixelSize = 18);
Bitmap toBitmap(const QImage& image);

}  // namespace TextSearchFixtures
