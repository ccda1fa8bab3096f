#include "OnboardingScreenshots.h"

#include "core/LoginItems.h"
#include "core/capture/ScreenCapturePermission.h"
#include "core/log/EventLog.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "ui/onboarding/OnboardingWindow.h"

#include <QApplication>
#include <QTemporaryDir>

namespace {

// A session that needs no consent, and a login item left as it is.
class Granted : public ScreenCapturePermission
{
public:
    bool isGranted() override { return true; }
    void request() override {}
};

class Untouched : public LoginItems
{
public:
    Status status() const override { return Status::NotRegistered; }
    Result<void> registerItem() override { return Result<void>::success(); }
    Result<void> unregisterItem() override { return Result<void>::success(); }
};

QImage render(bool seenWelcome)
{
    QTemporaryDir home;
    EventLog log(home.filePath(QStringLiteral("log")));
    DefaultsStore store(home.filePath(QStringLiteral("defaults.json")), log);
    Preferences preferences(store);
    preferences.setHasSeenOnboardingWelcome(seenWelcome);
    Granted permission;
    Untouched loginItems;
    OnboardingWindow window(preferences, permission, loginItems, {[] {}, [] {}, {}});
    window.show();
    QApplication::processEvents();
    return window.grab().toImage();
}

}  // namespace

QImage renderOnboardingWelcome()
{
    return render(false);
}

QImage renderOnboardingPermission()
{
    return render(true);
}
