#pragma once

#include "ui/settings/SettingsContext.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class SettingsBinder;
class SettingsForm;

// How and when screenshots are taken: interval, displays, format and
// quality, pointer, half size, and the lock and idle pauses. Every change is
// stored at once, and a running engine follows the stored settings.
class CaptureSettingsTab : public QWidget
{
    Q_OBJECT

public:
    explicit CaptureSettingsTab(const SettingsContext& context, QWidget* parent = nullptr);

    SettingsBinder* binder() const { return m_binder; }
    QComboBox* interval() const { return m_interval; }
    QLineEdit* customInterval() const { return m_customInterval; }
    QComboBox* displays() const { return m_displays; }
    QLabel* displayNote() const { return m_displayNote; }
    QComboBox* idle() const { return m_idle; }

    static QString durationText(int seconds);  // "1 minute", "5 minutes", "90 seconds"
    static QString notConnectedText(const QString& name);
    static QString notConnectedNote(const QString& name);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void addInterval(SettingsForm* form);
    void addDisplays(SettingsForm* form);
    void addFormat(SettingsForm* form);
    void addPauses(SettingsForm* form);
    void chooseInterval();
    void commitCustomInterval();
    void chooseIdle();
    void chooseDisplay();
    void showInterval();
    void showIdle();
    void refreshDisplays();
    void showQuality();

    Preferences& m_preferences;
    std::function<QList<ChosenDisplay>()> m_connectedDisplays;
    SettingsBinder* m_binder;
    SettingsForm* m_form = nullptr;
    QComboBox* m_interval = nullptr;
    QLineEdit* m_customInterval = nullptr;
    QLabel* m_customHelp = nullptr;
    QComboBox* m_displays = nullptr;
    QLabel* m_displayNote = nullptr;
    QComboBox* m_format = nullptr;
    QSlider* m_quality = nullptr;
    QLabel* m_qualityText = nullptr;
    QComboBox* m_idle = nullptr;
};
