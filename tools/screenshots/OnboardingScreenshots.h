#pragma once

#include <QImage>

// The onboarding window's welcome page, and its permission page as X11
// users see it (granted, "Done"). Need a QApplication.
QImage renderOnboardingWelcome();
QImage renderOnboardingPermission();
