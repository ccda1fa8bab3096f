#include "AboutScreenshot.h"

#include "ui/settings/AboutTab.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

bool renderAboutScreenshot(const QString& folder)
{
    AboutTab tab([] { return QString(); });
    tab.resize(540, 440);
    tab.show();
    QApplication::processEvents();
    const QString path = QDir(folder).filePath(QStringLiteral("settings-about.png"));
    const bool saved = tab.grab().save(path);
    QTextStream(stderr) << (saved ? "wrote " : "could not write ") << path << '\n';
    return saved;
}
