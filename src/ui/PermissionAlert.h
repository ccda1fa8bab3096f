#pragma once

#include <functional>

class QAbstractButton;
class QMessageBox;
class QWidget;

// The one alert Momentra shows unasked: at launch, after onboarding, when
// the desktop does not let it capture the screen. Capture is not restored
// meanwhile; "Later" leaves it at that.
class PermissionAlert
{
public:
    // Shows the box and returns the button chosen (none when it was
    // dismissed). Tests answer it without showing anything.
    using Answer = std::function<QAbstractButton*(QMessageBox&)>;

    static QAbstractButton* exec(QMessageBox& box);

    // openSettings: the desktop's page for the consent; without one the
    // alert offers "Later" alone.
    static void show(const std::function<void()>& openSettings, QWidget* parent = nullptr,
                     const Answer& answer = &PermissionAlert::exec);
};
