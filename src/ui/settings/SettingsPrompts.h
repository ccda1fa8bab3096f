#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The questions and file choosers of the settings tabs, in one place so a
// test can answer them: the tabs ask through this object, never through
// QMessageBox or QFileDialog directly.
class SettingsPrompts
{
public:
    struct Question
    {
        QString title;
        QString text;
        QStringList buttons;   // left to right as the desktop orders them
        int cancel = -1;       // the button Escape and closing the box choose
        int destructive = -1;  // the button that deletes, styled as such
    };

    virtual ~SettingsPrompts() = default;

    // The index of the chosen button.
    virtual int ask(QWidget* parent, const Question& question);
    // The chosen folder, or an empty string when the user cancelled.
    virtual QString chooseFolder(QWidget* parent, const QString& title, const QString& startFolder);
};
