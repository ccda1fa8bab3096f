#pragma once

#include "ui/settings/SettingsContext.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class QTabWidget;

// The settings window: one tab per area, each built the first time it is
// shown. Every change applies at once; there is nothing to confirm or save.
class SettingsWindow : public QWidget
{
    Q_OBJECT

public:
    struct Tab
    {
        QString name;   // for showTab(): "general", "timelapse"
        QString title;  // "General"
        QString icon;   // freedesktop theme icon name
        std::function<QWidget*(const SettingsContext&)> factory;
    };
    // The tabs in the order shown. A new tab is one line here.
    static const QList<Tab>& tabs();

    explicit SettingsWindow(SettingsContext context, QWidget* parent = nullptr);

    // Selects the named tab; false when there is no such tab.
    bool showTab(const QString& name);
    // Shows the window, raised and active.
    void present();
    QTabWidget* tabWidget() const { return m_tabs; }
    // The named tab's content, built now if it was not yet; null when there is no such tab.
    QWidget* tab(const QString& name);

private:
    QWidget* build(int index);

    SettingsContext m_context;
    QTabWidget* m_tabs;
};
