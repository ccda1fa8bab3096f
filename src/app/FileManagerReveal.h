#pragma once

#include <QList>
#include <QUrl>

// Shows files or folders selected in the desktop's file manager through
// org.freedesktop.FileManager1 ShowItems; where no file manager answers on
// the session bus, opens the folder of the first item instead.
class FileManagerReveal
{
public:
    static void show(const QList<QUrl>& items);
};
