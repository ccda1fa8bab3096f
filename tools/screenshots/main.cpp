// Renders Momentra's windows in their states into PNG files for the README,
// the AppStream metainfo and for looking at: scripts/screenshots.sh runs it
// under Xvfb. Each picture is one function in kPictures; a new window adds
// its own.
//
//   momentra-screenshots FOLDER

#include "AboutScreenshot.h"
#include "OnboardingScreenshots.h"
#include "SearchScreenshot.h"
#include "SettingsScreenshots.h"
#include "momentra/BuildInfo.h"
#if MOMENTRA_SELF_UPDATE
#include "updates/UpdatesScreenshots.h"
#endif
#include "core/capture/DisplayCapture.h"
#include "core/capture/ScreenCapturePermission.h"
#include "core/capture/ScreenSource.h"
#include "core/capture/ScreenshotManager.h"
#include "core/capture/SessionState.h"
#include "core/library/LibraryLayout.h"
#include "core/log/EventLog.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "core/status/TrayStatus.h"
#include "media/image/MediaImageCodec.h"
#include "ui/panel/MenuPanelView.h"
#include "ui/panel/PanelWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

namespace {

// The engine needs a screen and a session; pictures need neither to be real.
class NoScreen : public ScreenSource
{
public:
    Result<ShareableContent> content() override { return Result<ShareableContent>::failure(QStringLiteral("none")); }
    Result<Bitmap> capture(const DisplayInfo&, const DisplayCaptureRequest&) override
    {
        return Result<Bitmap>::failure(QStringLiteral("none"));
    }
};

class StagedSession : public SessionState
{
public:
    std::optional<qint64> freeBytes(const QString&) override { return free; }
    bool isScreenLocked() override { return false; }
    double secondsSinceLastInput() override { return 0; }
    std::optional<QString> frontmostAppId() override { return std::nullopt; }
    FileDescriptor delaySleep(const QString&) override { return FileDescriptor(); }
    qint64 free = 120'000'000'000;
};

class Granted : public ScreenCapturePermission
{
public:
    bool isGranted() override { return true; }
    void request() override {}
};

// A scratch home with a library of today's screenshots and an engine over it.
struct Stage
{
    QTemporaryDir home;
    EventLog log{home.filePath(QStringLiteral("log"))};
    DefaultsStore store{home.filePath(QStringLiteral("defaults.json")), log};
    Preferences preferences{store};
    NoScreen screen;
    MediaImageCodec codec;
    StagedSession session;
    DisplayCapture capture{screen, codec};
    ScreenshotManager engine{capture, session, log};
    Granted permission;
    TrayStatus status{engine, permission};

    Stage()
    {
        const QString folder = home.filePath(QStringLiteral("Pictures/Momentra"));
        const QDateTime now = QDateTime::currentDateTime();
        QDir().mkpath(folder + QLatin1Char('/') + LibraryLayout::dayFolderName(now));
        for (int i = 0; i < 42; ++i) {
            QFile file(folder + QLatin1Char('/') + LibraryLayout::dayFolderName(now) + QLatin1Char('/')
                       + LibraryLayout::screenshotFileName(now.addSecs(-60 * i), 1, ScreenshotFormat::Jpeg));
            file.open(QIODevice::WriteOnly);
        }
        preferences.setFolderPath(folder);
        preferences.setIntervalSeconds(300);
    }
    void startCapture() { engine.start(preferences.captureConfiguration()); }
};

QImage renderPanel(Stage& stage)
{
    PanelWindow window(new MenuPanelView(stage.status, stage.preferences, {{}, {}, {}, {}, {}, [](const QUrl&) {}}));
    window.open(QRect(400, 0, 1, 1));
    QApplication::processEvents();
    return window.grab().toImage();
}

const QList<std::pair<const char*, std::function<QImage()>>> kPictures{
    {"panel-idle",
     [] {
         Stage stage;
         return renderPanel(stage);
     }},
    {"panel-capturing",
     [] {
         Stage stage;
         stage.startCapture();
         return renderPanel(stage);
     }},
    {"panel-attention",
     [] {
         Stage stage;
         stage.session.free = 4'200'000'000;
         stage.preferences.setFreeSpaceLimitGB(5);
         stage.startCapture();
         return renderPanel(stage);
     }},
    {"panel-feedback",
     [] {
         Stage stage;
         stage.preferences.setCaptureDayCount(3);
         stage.startCapture();
         return renderPanel(stage);
     }},
    {"onboarding-welcome", renderOnboardingWelcome},
    {"onboarding-permission", renderOnboardingPermission},
    {"settings-about", renderAboutScreenshot},
    {"search-results", renderSearchScreenshot},
#if MOMENTRA_SELF_UPDATE
    {"settings-updates", renderUpdatesTab},
    {"update-available", renderUpdateAvailable},
#endif
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: momentra-screenshots FOLDER\n";
        return 2;
    }
    QApplication::setStyle(QStringLiteral("Fusion"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QDir().mkpath(QString::fromLocal8Bit(argv[1]));
    int failed = 0;
    for (const auto& [name, render] : kPictures) {
        const QString path = QDir(QString::fromLocal8Bit(argv[1])).filePath(QLatin1String(name) + ".png");
        const bool saved = render().save(path);
        err << (saved ? "wrote " : "could not write ") << path << '\n';
        failed += saved ? 0 : 1;
    }
    failed += renderSettingsScreenshots(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    return failed ? 1 : 0;
}
