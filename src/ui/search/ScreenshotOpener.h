#pragma once

#include <QString>

// What the search window does with a screenshot the user picked.
class ScreenshotOpener
{
public:
    virtual ~ScreenshotOpener() = default;
    // In the user's image viewer.
    virtual void open(const QString& path) = 0;
    // Selected in the file manager.
    virtual void showInFileManager(const QString& path) = 0;
};
