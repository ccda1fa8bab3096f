#pragma once

#include <QString>

// Renders the onboarding window's two pages into folder as
// onboarding-welcome.png and onboarding-permission.png (the permission page
// as X11 users see it: granted, "Done"). Needs a QApplication.
void renderOnboardingScreenshots(const QString& folder);
