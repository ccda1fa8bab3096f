#include "ui/PermissionAlert.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

QAbstractButton* PermissionAlert::exec(QMessageBox& box)
{
    box.exec();
    return box.clickedButton();
}

void PermissionAlert::show(const std::function<void()>& openSettings, QWidget* parent, const Answer& answer)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("PermissionAlert", text); };
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Momentra"));
    box.setText(tr("Screen Recording Permission Needed"));
    box.setInformativeText(tr("Momentra can't capture screenshots without Screen Recording access.")
                           + QStringLiteral("\n\n")
                           + tr("Allow it when your desktop asks, or in your desktop's privacy settings."));
    QPushButton* open = openSettings ? box.addButton(tr("Open Settings"), QMessageBox::AcceptRole) : nullptr;
    QPushButton* later = box.addButton(tr("Later"), QMessageBox::RejectRole);
    box.setDefaultButton(open ? open : later);
    box.setEscapeButton(later);
    QAbstractButton* chosen = answer(box);
    if (open && chosen == open)
        openSettings();
}
