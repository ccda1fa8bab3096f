#include "core/log/EventLog.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

// The settings file as anything may have left it. Reading it and every
// setting through its read rule must never fail, and a file that is not a
// JSON object is set aside, never lost.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The store's file watcher needs an application on this thread.
    static int argc = 1;
    static char name[] = "fuzz_settings";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static QTemporaryDir folder;
    static EventLog log(folder.filePath(QStringLiteral("log")));
    const QString settings = folder.filePath(QStringLiteral("settings"));
    QDir(settings).removeRecursively();
    QDir().mkpath(settings);
    const QString path = settings + QStringLiteral("/defaults.json");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    DefaultsStore store(path, log);
    Preferences preferences(store);
    const CaptureConfiguration configuration = preferences.captureConfiguration();
    if (configuration.intervalSeconds <= 0 || configuration.folder.isEmpty()
        || !QDir::isAbsolutePath(configuration.folder))
        std::abort();
    preferences.deletionPolicy();
    preferences.timelapseFPS();
    preferences.captureDayCount();
    preferences.lastCaptureDay();
    preferences.customIntervalSeconds();
    if (size > 0 && QDir(settings).entryList(QDir::Files).isEmpty())
        std::abort();
    return 0;
}
