#pragma once

#include <QWidget>

#include <functional>

class QPushButton;

// The settings window's About tab: name, version and what Momentra does,
// the libraries it ships with and their licences, the website and contact
// links, and "Copy Diagnostics", which puts the support report on the
// clipboard.
class AboutTab : public QWidget
{
    Q_OBJECT

public:
    // collectDiagnostics: the report with the last 7 days of the log, 500 lines at most.
    explicit AboutTab(std::function<QString()> collectDiagnostics, QWidget* parent = nullptr);

    static QString credits();

private:
    void copyDiagnostics();
    void showCopied(bool copied);

    std::function<QString()> m_collectDiagnostics;
    QPushButton* m_copy = nullptr;
};
