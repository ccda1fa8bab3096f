#pragma once

#include <QString>

// The settings window's General, Capture and Privacy tabs, written into
// `folder` as settings-general.png, settings-capture.png and
// settings-privacy.png. Needs a QApplication; false when a file could not
// be written.
bool renderSettingsScreenshots(const QString& folder);
