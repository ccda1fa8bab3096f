#pragma once

#include <QFormLayout>

class QLabel;

// The form of one settings tab: each labelled row names its field for
// screen readers after the label, and a help text sits under the row it
// explains, in the secondary style.
class SettingsForm : public QFormLayout
{
public:
    explicit SettingsForm(QWidget* tab);

    // "Interval" shows as "Interval:"; the field's accessible name is "Interval".
    QLabel* addLabelledRow(const QString& label, QWidget* field);
    // A row whose field names itself (a check box, a button).
    void addFieldRow(QWidget* field);
    QLabel* addHelp(const QString& text);

    // Word-wrapped text in the secondary style.
    static QLabel* helpLabel(const QString& text, QWidget* parent = nullptr);
    // A theme icon by its freedesktop name, or its symbolic form where the
    // theme has only that (GNOME's Adwaita).
    static QIcon themeIcon(const QString& name);
};
