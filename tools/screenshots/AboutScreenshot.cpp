#include "AboutScreenshot.h"

#include "ui/settings/AboutTab.h"

#include <QApplication>

QImage renderAboutScreenshot()
{
    AboutTab tab([] { return QString(); });
    tab.resize(540, 440);
    tab.show();
    QApplication::processEvents();
    return tab.grab().toImage();
}
