#include "ui/settings/SettingsBinder.h"

#include "core/settings/Preferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonValue>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <cmath>

SettingsBinder::SettingsBinder(Preferences& preferences, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
{
    connect(&m_preferences, &Preferences::changed, this, [this](const QString& key) {
        const auto binding = m_bindings.constFind(key);
        if (binding != m_bindings.constEnd())
            show(*binding);
    });
}

QCheckBox* SettingsBinder::checkBox(const QString& text, const char* key)
{
    auto* box = new QCheckBox(text);
    box->setObjectName(Preferences::key(key));
    bind(box);
    return box;
}

void SettingsBinder::bind(QWidget* control, double scale)
{
    const QString key = control->objectName();
    Q_ASSERT(key.startsWith(QLatin1String("Momentra.")));
    m_bindings.insert(key, {control, scale});
    m_order.append(key);
    show(m_bindings.value(key));

    auto write = [this, control] { store(control); };
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
        connect(box, &QCheckBox::toggled, this, write);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        connect(combo, &QComboBox::activated, this, write);
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        spin->setKeyboardTracking(false);  // one write when the number is complete
        connect(spin, &QSpinBox::valueChanged, this, write);
    } else if (auto* slider = qobject_cast<QSlider*>(control)) {
        // While dragging the value is written once, when the handle is let go.
        connect(slider, &QSlider::valueChanged, this, [this, slider] {
            if (!slider->isSliderDown())
                store(slider);
        });
        connect(slider, &QSlider::sliderReleased, this, write);
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        connect(line, &QLineEdit::editingFinished, this, write);
    } else {
        Q_ASSERT_X(false, "SettingsBinder::bind", "a control of a kind the binder does not know");
    }
}

QList<QWidget*> SettingsBinder::controls() const
{
    QList<QWidget*> list;
    for (const QString& key : m_order) {
        if (QWidget* control = m_bindings.value(key).control)
            list.append(control);
    }
    return list;
}

void SettingsBinder::show(const Binding& binding)
{
    QWidget* control = binding.control;
    if (!control)
        return;
    const QSignalBlocker blocker(control);
    const QJsonValue value = m_preferences.effectiveValue(control->objectName());
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
        box->setChecked(value.toBool());
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        int index = -1;
        for (int i = 0; i < combo->count() && index < 0; ++i) {
            if (QJsonValue::fromVariant(combo->itemData(i)) == value)
                index = i;
        }
        combo->setCurrentIndex(index);
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        spin->setValue(int(std::lround(value.toDouble() * binding.scale)));
    } else if (auto* slider = qobject_cast<QSlider*>(control)) {
        slider->setValue(int(std::lround(value.toDouble() * binding.scale)));
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        line->setText(value.toString());
    }
}

void SettingsBinder::store(QWidget* control)
{
    const QString key = control->objectName();
    const double scale = m_bindings.value(key).scale;
    auto number = [scale](int value) { return scale == 1 ? QJsonValue(value) : QJsonValue(value / scale); };
    QJsonValue value;
    if (auto* box = qobject_cast<QCheckBox*>(control))
        value = box->isChecked();
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        value = QJsonValue::fromVariant(combo->currentData());
    else if (auto* spin = qobject_cast<QSpinBox*>(control))
        value = number(spin->value());
    else if (auto* slider = qobject_cast<QSlider*>(control))
        value = number(slider->value());
    else if (auto* line = qobject_cast<QLineEdit*>(control))
        value = line->text();
    if (value.isUndefined() || value.isNull())
        m_preferences.removeValue(key);
    else
        m_preferences.setValue(key, value);
}
