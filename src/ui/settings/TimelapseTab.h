#pragma once

#include "core/timelapse/TimelapseDay.h"
#include "ui/settings/SettingsContext.h"

#include <QDateTime>
#include <QSet>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

// Exports chosen days as a timelapse: the days with their screenshot counts,
// the speed, and the running export with its progress and cancel.
class TimelapseTab : public QWidget
{
    Q_OBJECT

public:
    explicit TimelapseTab(const SettingsContext& context, QWidget* parent = nullptr);

    // Lists the days again, off the main thread.
    void reload();

Q_SIGNALS:
    void daysLoaded();

private:
    void showDays(const QList<TimelapseDay>& days);
    void showSelection();
    void showExport();
    void exportSelected();

    Preferences& m_preferences;
    TimelapseExportController* m_controller;
    QVBoxLayout* m_dayList;
    QLabel* m_selection;
    QLabel* m_exporting;
    QProgressBar* m_progress;
    QLabel* m_statusText;
    QLabel* m_error;
    QPushButton* m_export;
    QPushButton* m_cancel;
    QPushButton* m_reveal;
    QList<TimelapseDay> m_days;
    QSet<QString> m_selected;
    QDate m_shownDate;  // the day "Today" meant when the list was shown
    quint64 m_generation = 0;
};
