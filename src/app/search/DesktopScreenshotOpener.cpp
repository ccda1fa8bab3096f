#include "app/search/DesktopScreenshotOpener.h"

#include "app/FileManagerReveal.h"

#include <QDesktopServices>
#include <QUrl>

void DesktopScreenshotOpener::open(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DesktopScreenshotOpener::showInFileManager(const QString& path)
{
    FileManagerReveal::show({QUrl::fromLocalFile(path)});
}
