#include "ui/settings/SettingsPrompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

int SettingsPrompts::ask(QWidget* parent, const Question& question)
{
    QMessageBox box(parent);
    box.setIcon(question.destructive >= 0 ? QMessageBox::Warning : QMessageBox::Question);
    box.setText(question.title);
    box.setInformativeText(question.text);
    QList<QAbstractButton*> buttons;
    for (int i = 0; i < question.buttons.size(); ++i) {
        const auto role = i == question.cancel        ? QMessageBox::RejectRole
                          : i == question.destructive ? QMessageBox::DestructiveRole
                                                      : QMessageBox::AcceptRole;
        QPushButton* button = box.addButton(question.buttons.at(i), role);
        button->setAccessibleName(question.buttons.at(i));
        buttons.append(button);
    }
    if (question.cancel >= 0) {
        box.setEscapeButton(buttons.at(question.cancel));
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons.at(question.cancel)));
    }
    box.exec();
    const int chosen = int(buttons.indexOf(box.clickedButton()));
    return chosen >= 0 ? chosen : question.cancel;
}

QString SettingsPrompts::chooseFolder(QWidget* parent, const QString& title, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(parent, title, startFolder, QFileDialog::ShowDirsOnly);
}
