#include "ui/settings/CaptureSettingsTab.h"

#include "core/library/ScreenshotFormat.h"
#include "core/settings/Preferences.h"
#include "ui/settings/SettingsBinder.h"
#include "ui/settings/SettingsForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QSlider>

namespace {

constexpr int kCustom = -1;                            // the interval picker's "Custom" item
const QList<int> kIdleChoices{0, 60, 300, 600, 1800};  // 0: never

// Selects the item holding the value, adding one for a value set elsewhere.
void selectValue(QComboBox* combo, int seconds)
{
    int index = combo->findData(seconds);
    if (index < 0) {
        combo->addItem(CaptureSettingsTab::durationText(seconds), seconds);
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
}

}  // namespace

CaptureSettingsTab::CaptureSettingsTab(const SettingsContext& context, QWidget* parent)
    : QWidget(parent)
    , m_preferences(context.preferences)
    , m_connectedDisplays(context.displays)
    , m_binder(new SettingsBinder(context.preferences, this))
    , m_form(new SettingsForm(this))
{
    addInterval(m_form);
    addDisplays(m_form);
    addFormat(m_form);
    addPauses(m_form);
    connect(&m_preferences, &Preferences::changed, this, [this](const QString& key) {
        if (key == Preferences::key("intervalSeconds") || key == Preferences::key("usesCustomInterval")
            || key == Preferences::key("customIntervalSeconds"))
            showInterval();
        else if (key == Preferences::key("pauseWhenIdle") || key == Preferences::key("idleThresholdSeconds"))
            showIdle();
        else if (key == Preferences::key("onlyDisplayIdentity") || key == Preferences::key("onlyDisplayName"))
            refreshDisplays();
        else if (key == Preferences::key("format") || key == Preferences::key("jpegQuality"))
            showQuality();
    });
}

QString CaptureSettingsTab::durationText(int seconds)
{
    if (seconds % 60 != 0)
        return seconds == 1 ? QStringLiteral("1 second")
                            : QStringLiteral("%1 seconds").arg(QLocale().toString(seconds));
    const int minutes = seconds / 60;
    return minutes == 1 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(QLocale().toString(minutes));
}

QString CaptureSettingsTab::notConnectedText(const QString& name)
{
    return name + QStringLiteral(" (not connected)");
}

QString CaptureSettingsTab::notConnectedNote(const QString& name)
{
    return name + QStringLiteral(" isn't connected, so nothing is captured.");
}

void CaptureSettingsTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshDisplays();  // a display may have come or gone since the tab was last seen
}

// --- interval -------------------------------------------------------------

void CaptureSettingsTab::addInterval(SettingsForm* form)
{
    m_interval = new QComboBox;
    for (int seconds : Preferences::kIntervalPresets)
        m_interval->addItem(durationText(seconds), seconds);
    m_interval->addItem(QStringLiteral("Custom"), kCustom);
    form->addLabelledRow(QStringLiteral("Interval"), m_interval);
    connect(m_interval, &QComboBox::activated, this, &CaptureSettingsTab::chooseInterval);

    m_customInterval = new QLineEdit;
    m_customInterval->setObjectName(QStringLiteral("customInterval"));
    form->addLabelledRow(QStringLiteral("Custom interval (seconds)"), m_customInterval);
    m_customHelp = form->addHelp(QStringLiteral("Minimum %1 seconds, maximum %2 seconds (24 hours).")
                                     .arg(QLocale().toString(5), QLocale().toString(86400)));
    connect(m_customInterval, &QLineEdit::editingFinished, this, &CaptureSettingsTab::commitCustomInterval);
    showInterval();
}

void CaptureSettingsTab::chooseInterval()
{
    const int seconds = m_interval->currentData().toInt();
    if (seconds == kCustom) {
        m_preferences.setUsesCustomInterval(true);
        m_customInterval->setFocus();
        return;
    }
    m_preferences.setIntervalSeconds(seconds);
    m_preferences.setUsesCustomInterval(false);
}

// A whole number is stored within 5 s … 24 h; any other text stores nothing
// and the field shows the stored value again.
void CaptureSettingsTab::commitCustomInterval()
{
    if (const auto seconds = Preferences::parseCustomInterval(m_customInterval->text())) {
        m_preferences.setCustomIntervalSeconds(*seconds);
        if (m_preferences.usesCustomInterval())
            m_preferences.setIntervalSeconds(*seconds);
    }
    m_customInterval->setText(QString::number(m_preferences.customIntervalSeconds()));
}

void CaptureSettingsTab::showInterval()
{
    const bool custom = m_preferences.usesCustomInterval();
    const QSignalBlocker blocker(m_interval);
    if (custom)
        m_interval->setCurrentIndex(m_interval->findData(kCustom));
    else
        selectValue(m_interval, m_preferences.intervalSeconds());
    if (!m_customInterval->hasFocus())
        m_customInterval->setText(QString::number(m_preferences.customIntervalSeconds()));
    m_form->setRowVisible(m_customInterval, custom);
    m_form->setRowVisible(m_customHelp, custom);
}

// --- displays -------------------------------------------------------------

void CaptureSettingsTab::addDisplays(SettingsForm* form)
{
    m_displays = new QComboBox;
    form->addLabelledRow(QStringLiteral("Displays"), m_displays);
    m_displayNote = form->addHelp(QString());
    connect(m_displays, &QComboBox::activated, this, &CaptureSettingsTab::chooseDisplay);
}

void CaptureSettingsTab::refreshDisplays()
{
    const QList<ChosenDisplay> connected = m_connectedDisplays ? m_connectedDisplays() : QList<ChosenDisplay>();
    const std::optional<ChosenDisplay> chosen = m_preferences.chosenDisplay();
    const QSignalBlocker blocker(m_displays);
    m_displays->clear();
    m_displays->addItem(QStringLiteral("All displays"));
    for (const ChosenDisplay& display : connected)
        m_displays->addItem(display.name, display.identity);
    const bool missing = chosen && m_displays->findData(chosen->identity) < 0;
    if (missing)
        m_displays->addItem(notConnectedText(chosen->name), chosen->identity);
    m_displays->setCurrentIndex(chosen ? m_displays->findData(chosen->identity) : 0);
    m_displayNote->setText(missing ? notConnectedNote(chosen->name) : QString());
    m_form->setRowVisible(m_displayNote, missing);
}

void CaptureSettingsTab::chooseDisplay()
{
    const QString identity = m_displays->currentData().toString();
    if (identity.isEmpty()) {
        m_preferences.setChosenDisplay(std::nullopt);
        return;
    }
    const std::optional<ChosenDisplay> chosen = m_preferences.chosenDisplay();
    if (chosen && chosen->identity == identity)
        return;  // the one already chosen, connected or not: keep the name it was chosen by
    m_preferences.setChosenDisplay(ChosenDisplay{identity, m_displays->currentText()});
}

// --- format ---------------------------------------------------------------

void CaptureSettingsTab::addFormat(SettingsForm* form)
{
    m_format = new QComboBox;
    m_format->setObjectName(Preferences::key("format"));
    for (ScreenshotFormat format : {ScreenshotFormat::Png, ScreenshotFormat::Jpeg, ScreenshotFormat::Heic})
        m_format->addItem(ScreenshotFormats::rawValue(format), ScreenshotFormats::rawValue(format));
    form->addLabelledRow(QStringLiteral("Format"), m_format);
    m_binder->bind(m_format);

    m_quality = new QSlider(Qt::Horizontal);
    m_quality->setObjectName(Preferences::key("jpegQuality"));
    m_quality->setRange(10, 100);
    m_quality->setSingleStep(5);
    m_quality->setPageStep(10);
    m_qualityText = new QLabel;
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_quality, 1);
    layout->addWidget(m_qualityText);
    row->setFocusProxy(m_quality);
    form->addLabelledRow(QStringLiteral("Quality"), row);
    m_binder->bind(m_quality, 100);
    // The label follows the handle while it is dragged, before anything is stored.
    connect(m_quality, &QSlider::valueChanged, this, &CaptureSettingsTab::showQuality);
    showQuality();
}

// The quality applies to JPEG and HEIC; PNG is lossless.
void CaptureSettingsTab::showQuality()
{
    m_qualityText->setText(QStringLiteral("%1% quality").arg(m_quality->value()));
    m_quality->setEnabled(m_preferences.format() != ScreenshotFormat::Png);
    m_qualityText->setEnabled(m_quality->isEnabled());
}

// --- pointer, size and pauses ---------------------------------------------

void CaptureSettingsTab::addPauses(SettingsForm* form)
{
    form->addFieldRow(m_binder->checkBox(QStringLiteral("Show mouse pointer"), "showsCursor"));
    form->addFieldRow(m_binder->checkBox(QStringLiteral("Half size on HiDPI displays"), "capturesHalfSize"));
    form->addHelp(QStringLiteral("Saves a HiDPI display at half its pixel size. Other displays stay full size."));
    form->addFieldRow(
        m_binder->checkBox(QStringLiteral("Pause capture when the screen is locked"), "pausesWhenLocked"));

    m_idle = new QComboBox;
    for (int seconds : kIdleChoices)
        m_idle->addItem(seconds == 0 ? QStringLiteral("Never") : durationText(seconds), seconds);
    form->addLabelledRow(QStringLiteral("Pause capture when idle for"), m_idle);
    form->addHelp(QStringLiteral("Idle means no keyboard, mouse or trackpad input."));
    connect(m_idle, &QComboBox::activated, this, &CaptureSettingsTab::chooseIdle);
    showIdle();
}

void CaptureSettingsTab::chooseIdle()
{
    const int seconds = m_idle->currentData().toInt();
    if (seconds > 0)
        m_preferences.setIdleThresholdSeconds(seconds);
    m_preferences.setPauseWhenIdle(seconds > 0);
}

void CaptureSettingsTab::showIdle()
{
    const QSignalBlocker blocker(m_idle);
    selectValue(m_idle, m_preferences.pauseWhenIdle() ? m_preferences.idleThresholdSeconds() : 0);
}
