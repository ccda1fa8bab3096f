#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

class Preferences;
class QCheckBox;
class QString;
class QWidget;

// Ties controls to settings keys: each control writes the key named by its
// objectName ("Momentra.showsCursor") as the user changes it, and shows the
// key's value again whenever the key changes, wherever the change came from.
// Check boxes hold Booleans, combo boxes the item data of the chosen item
// (an item without data removes the key), spin boxes and sliders numbers,
// line edits text.
class SettingsBinder : public QObject
{
    Q_OBJECT

public:
    explicit SettingsBinder(Preferences& preferences, QObject* parent = nullptr);

    // scale: the control shows the stored number times scale (a slider of
    // 10…100 for a fraction of 0.1…1.0 has scale 100).
    void bind(QWidget* control, double scale = 1);
    // A check box labelled text, bound to the setting key (without the "Momentra." prefix).
    QCheckBox* checkBox(const QString& text, const char* key);
    QList<QWidget*> controls() const;

private:
    struct Binding
    {
        QPointer<QWidget> control;
        double scale = 1;
    };

    void show(const Binding& binding);
    void store(QWidget* control);

    Preferences& m_preferences;
    QHash<QString, Binding> m_bindings;  // by key
    QList<QString> m_order;
};
