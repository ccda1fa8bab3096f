#pragma once

#include <QWidget>

#include <functional>

class QCheckBox;
class QPushButton;
class UpdateSettings;

// The Updates tab: the update component's two switches, written to its own
// settings at once and followed by the running component, and "Check for
// Updates…", which opens the answer window.
class UpdatesTab : public QWidget
{
    Q_OBJECT

public:
    UpdatesTab(UpdateSettings& settings, std::function<void()> checkNow, QWidget* parent = nullptr);

    QCheckBox* checksSwitch() const { return m_checks; }
    QCheckBox* downloadsSwitch() const { return m_downloads; }
    QPushButton* checkButton() const { return m_check; }

private:
    void showSettings();

    UpdateSettings& m_settings;
    QCheckBox* m_checks;
    QCheckBox* m_downloads;
    QPushButton* m_check;
};
