#pragma once

#include "ui/search/ScreenshotOpener.h"

// Opens screenshots with the desktop's handler for their type (xdg-open
// through QDesktopServices) and shows them in the file manager.
class DesktopScreenshotOpener : public ScreenshotOpener
{
public:
    void open(const QString& path) override;
    void showInFileManager(const QString& path) override;
};
