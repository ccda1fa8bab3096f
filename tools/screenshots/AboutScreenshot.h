#pragma once

#include <QImage>

// The settings window's About tab, as settings-about.png.
QImage renderAboutScreenshot();
