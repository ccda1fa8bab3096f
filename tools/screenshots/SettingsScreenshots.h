#pragma once

#include <QString>

// The settings window's tabs but About, written into `folder` as
// settings-general.png, settings-capture.png, settings-ocr.png,
// settings-privacy.png, settings-storage.png and settings-timelapse.png.
// Needs a QApplication; false when a file could not be written.
bool renderSettingsScreenshots(const QString& folder);
