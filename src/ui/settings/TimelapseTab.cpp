#include "ui/settings/TimelapseTab.h"

#include "core/WhenFinished.h"
#include "core/settings/Preferences.h"
#include "core/timelapse/TimelapseExportController.h"
#include "ui/settings/SettingsBinder.h"
#include "ui/settings/SettingsForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QtConcurrent>

namespace {

QString screenshotCount(int count)
{
    return count == 1 ? QStringLiteral("1 screenshot")
                      : QStringLiteral("%1 screenshots").arg(QLocale().toString(count));
}

QString daysDescription(const QStringList& days)
{
    return days.size() == 1 ? TimelapseExportController::dayLabel(days.first())
                            : QStringLiteral("%1 days").arg(days.size());
}

}  // namespace

TimelapseTab::TimelapseTab(const SettingsContext& context, QWidget* parent)
    : QWidget(parent)
    , m_preferences(context.preferences)
    , m_controller(context.timelapse)
    , m_dayList(new QVBoxLayout)
    , m_selection(new QLabel)
    , m_exporting(new QLabel)
    , m_progress(new QProgressBar)
    , m_statusText(SettingsForm::helpLabel(QString()))
    , m_error(new QLabel)
    , m_export(new QPushButton(QIcon::fromTheme(QStringLiteral("media-record")), QStringLiteral("Export")))
    , m_cancel(new QPushButton(QStringLiteral("Cancel")))
    , m_reveal(new QPushButton(QIcon::fromTheme(QStringLiteral("folder-open")), QStringLiteral("Show in File Manager")))
{
    auto* form = new SettingsForm(this);
    auto* speed = new QComboBox;
    speed->setObjectName(QStringLiteral("Momentra.timelapseFPS"));
    speed->addItem(QStringLiteral("8 fps (slow)"), 8);
    speed->addItem(QStringLiteral("12 fps"), 12);
    speed->addItem(QStringLiteral("30 fps (fast)"), 30);
    form->addLabelledRow(QStringLiteral("Speed"), speed);
    (new SettingsBinder(m_preferences, this))->bind(speed);
    form->addHelp(
        QStringLiteral("One video per display, saved in your screenshots folder. Several days make one video."));

    auto* list = new QWidget;
    list->setLayout(m_dayList);
    auto* scroll = new QScrollArea;
    scroll->setWidget(list);
    scroll->setWidgetResizable(true);
    scroll->setMinimumHeight(120);
    form->addLabelledRow(QStringLiteral("Days"), scroll);

    auto* selectionRow = new QHBoxLayout;
    auto* clear = new QPushButton(QStringLiteral("Clear"));
    selectionRow->addWidget(m_selection, 1);
    selectionRow->addWidget(clear);
    form->addRow(QString(), selectionRow);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_selected.clear();
        showDays(m_days);
    });

    auto* exportRow = new QHBoxLayout;
    exportRow->addWidget(m_export);
    exportRow->addWidget(m_cancel);
    exportRow->addWidget(m_reveal);
    exportRow->addStretch();
    form->addRow(QString(), exportRow);
    form->addFieldRow(m_exporting);
    form->addFieldRow(m_progress);
    form->addFieldRow(m_statusText);
    m_error->setWordWrap(true);
    form->addFieldRow(m_error);
    m_progress->setAccessibleName(QStringLiteral("Export progress"));

    connect(m_export, &QPushButton::clicked, this, &TimelapseTab::exportSelected);
    if (m_controller) {
        connect(m_cancel, &QPushButton::clicked, m_controller, &TimelapseExportController::cancel);
        connect(m_reveal, &QPushButton::clicked, this, [this, reveal = context.revealInFileManager] {
            if (reveal)
                reveal(m_controller->outputURLs());
            else
                QDesktopServices::openUrl(m_controller->outputURLs().first().adjusted(QUrl::RemoveFilename));
        });
        connect(m_controller, &TimelapseExportController::changed, this, &TimelapseTab::showExport);
        connect(m_controller, &TimelapseExportController::ended, this, &TimelapseTab::reload);
    }
    connect(&m_preferences, &Preferences::changed, this, [this](const QString& key) {
        if (key == Preferences::key("folderPath"))
            reload();
    });
    // "Today" becomes "Yesterday" at midnight without listing the days again.
    auto* midnight = new QTimer(this);
    connect(midnight, &QTimer::timeout, this, [this] {
        if (m_shownDate != QDate::currentDate())
            showDays(m_days);
    });
    midnight->start(60'000);
    showExport();
    reload();
}

void TimelapseTab::reload()
{
    const QString folder = m_preferences.folderPath();
    const quint64 generation = ++m_generation;
    whenFinished(QtConcurrent::run(&TimelapseExportController::loadDays, folder), this,
                 [this, generation, folder](const QList<TimelapseDay>& days) {
                     if (generation != m_generation || folder != m_preferences.folderPath())
                         return;  // stale
                     QSet<QString> still;
                     for (const TimelapseDay& day : days) {
                         if (m_selected.contains(day.id))
                             still.insert(day.id);
                     }
                     m_selected = still;
                     showDays(days);
                     Q_EMIT daysLoaded();
                 });
}

void TimelapseTab::showDays(const QList<TimelapseDay>& days)
{
    m_days = days;
    while (QLayoutItem* item = m_dayList->takeAt(0)) {
        if (QLayout* row = item->layout()) {
            while (QLayoutItem* inner = row->takeAt(0)) {
                delete inner->widget();
                delete inner;
            }
        }
        delete item->widget();
        delete item;
    }
    if (days.isEmpty())
        m_dayList->addWidget(new QLabel(QStringLiteral("No screenshots yet.")));
    m_shownDate = QDate::currentDate();
    for (const TimelapseDay& day : days) {
        auto* box = new QCheckBox(TimelapseExportController::dayLabel(day.id));
        box->setObjectName(day.id);
        box->setChecked(m_selected.contains(day.id));
        connect(box, &QCheckBox::toggled, this, [this, id = day.id](bool on) {
            if (on)
                m_selected.insert(id);
            else
                m_selected.remove(id);
            showSelection();
        });
        QLabel* count = SettingsForm::helpLabel(screenshotCount(day.captureCount));
        count->setWordWrap(false);
        auto* row = new QHBoxLayout;
        row->addWidget(box, 1);
        row->addWidget(count);
        m_dayList->addLayout(row);
    }
    m_dayList->addStretch();
    showSelection();
}

void TimelapseTab::showSelection()
{
    const qsizetype count = m_selected.size();
    m_selection->setText(count == 0   ? QStringLiteral("Select the days to export.")
                         : count == 1 ? QStringLiteral("1 day selected.")
                                      : QStringLiteral("%1 days selected.").arg(count));
}

void TimelapseTab::exportSelected()
{
    if (!m_controller)
        return;
    QList<QUrl> folders;
    for (const TimelapseDay& day : m_days) {
        if (m_selected.contains(day.id))
            folders.append(day.folder);
    }
    const int fps = m_preferences.timelapseFPS();
    m_controller->exportDays(folders, fps > 0 ? fps : 12);
}

void TimelapseTab::showExport()
{
    const bool running = m_controller && m_controller->isRunning();
    m_export->setEnabled(m_controller != nullptr);
    m_cancel->setVisible(running);
    m_cancel->setEnabled(running && !m_controller->isCancelling());
    m_cancel->setText(running && m_controller->isCancelling() ? QStringLiteral("Cancelling…")
                                                              : QStringLiteral("Cancel"));
    m_exporting->setVisible(running);
    m_progress->setVisible(running);
    if (running) {
        m_exporting->setText(QStringLiteral("Exporting %1…").arg(daysDescription(m_controller->days())));
        m_progress->setMaximum(qMax(1, m_controller->totalFrames()));
        m_progress->setValue(m_controller->completedFrames());
    }
    const QString status = m_controller ? m_controller->statusText().value_or(QString()) : QString();
    m_statusText->setText(status);
    m_statusText->setVisible(!status.isEmpty());
    const QString error = m_controller ? m_controller->errorMessage().value_or(QString()) : QString();
    m_error->setText(error);
    m_error->setVisible(!error.isEmpty());
    m_reveal->setVisible(!running && m_controller && !m_controller->outputURLs().isEmpty());
}
