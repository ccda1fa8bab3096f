#pragma once

#include <QObject>
#include <QStringList>

// What the desktop's search service answers of Momentra's own interface
// under the search's bus name while the tray application is not running:
// opening the search window. Capture (Toggle, Start, …) is the tray
// application's, which D-Bus starts for Momentra's own name.
class SearchServiceControl : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.momentra.Momentra")

public:
    using QObject::QObject;

Q_SIGNALS:
    void searchRequested(const QStringList& terms);

public Q_SLOTS:
    void ShowSearch(const QStringList& terms) { Q_EMIT searchRequested(terms); }
};
