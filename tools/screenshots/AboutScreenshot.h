#pragma once

#include <QString>

// Renders the settings window's About tab into FOLDER/settings-about.png.
bool renderAboutScreenshot(const QString& folder);
