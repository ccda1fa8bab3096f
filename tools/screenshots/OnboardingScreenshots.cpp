#include "OnboardingScreenshots.h"

#include "core/LoginItems.h"
#include "core/capture/ScreenCapturePermission.h"
#include "core/log/EventLog.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "ui/onboarding/OnboardingWindow.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>
#include <QWindow>

namespace {

// The screenshots show a session that needs no consent and an unchanged login item.
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

void render(Preferences& preferences, const QString& path)
{
    Granted permission;
    Untouched loginItems;
    OnboardingWindow window(preferences, permission, loginItems, {[] {}, [] {}, {}});
    window.show();
    const QDeadlineTimer deadline(5000);
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!window.grab().save(path))
        qWarning("couldn't write %s", qPrintable(path));
}

}

void renderOnboardingScreenshots(const QString& folder)
{
    QTemporaryDir home;
    EventLog log(home.filePath(QStringLiteral("log")));
    DefaultsStore store(home.filePath(QStringLiteral("defaults.json")), log);
    Preferences preferences(store);
    render(preferences, QDir(folder).filePath(QStringLiteral("onboarding-welcome.png")));
    preferences.setHasSeenOnboardingWelcome(true);
    render(preferences, QDir(folder).filePath(QStringLiteral("onboarding-permission.png")));
}
