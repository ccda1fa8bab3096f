#include "cli/ExportCommand.h"

#include "app/AppRoot.h"
#include "cli/Console.h"
#include "cli/SignalWatcher.h"
#include "core/library/LibraryLayout.h"
#include "core/log/EventLog.h"
#include "core/settings/Preferences.h"
#include "core/timelapse/TimelapseExportController.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

struct Request
{
    QStringList days;
    std::optional<int> fps;
};

// Parses the arguments; an error message for bad input.
std::variant<Request, QString> parse(const QStringList& arguments)
{
    Request request;
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--fps") || argument.startsWith(QLatin1String("--fps="))) {
            const QString value = argument.contains(QLatin1Char('=')) ? argument.section(QLatin1Char('='), 1)
                                  : i + 1 < arguments.size()          ? arguments[++i]
                                                                      : QString();
            bool isNumber = false;
            const int fps = value.toInt(&isNumber);
            if (!isNumber || fps < 1)
                return QStringLiteral("--fps needs a whole number of frames per second, 1 or more");
            request.fps = fps;
        } else if (const std::optional<QString> day = LibraryLayout::namedDay(argument, now)) {
            request.days.append(*day);
        } else {
            return QStringLiteral("\"%1\" is not a day: use today, yesterday or YYYY-MM-DD").arg(argument);
        }
    }
    if (request.days.isEmpty())
        request.days.append(LibraryLayout::dayFolderName(now));
    request.days.removeDuplicates();
    return request;
}

// One line on the terminal, redrawn in place: "[#####-----]  42% Display 1 of 2, 120 of 300 frames".
void drawProgress(const TimelapseExportController& controller)
{
    constexpr int kWidth = 30;
    const int total = controller.totalFrames();
    const int done = total > 0 ? controller.completedFrames() * kWidth / total : 0;
    const int percent = total > 0 ? controller.completedFrames() * 100 / total : 0;
    const QString bar = QString(done, QLatin1Char('#')) + QString(kWidth - done, QLatin1Char('-'));
    const QByteArray line = QStringLiteral("\r\033[2K[%1] %2% %3")
                                .arg(bar)
                                .arg(percent, 3)
                                .arg(controller.statusText().value_or(QString()))
                                .toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

}  // namespace

Command ExportCommand::command()
{
    return {QStringLiteral("export"), QStringLiteral("export [today|yesterday|DAY...] [--fps N]"),
            QStringLiteral("make one timelapse video per display of the given days (default today) beside the day "
                           "folders and print the files written; Ctrl-C cancels"),
            &ExportCommand::run};
}

int ExportCommand::run(AppRoot& root, const QStringList& arguments)
{
    const auto parsed = parse(arguments);
    if (const auto* message = std::get_if<QString>(&parsed))
        return Console::usageError(*message);
    const Request& request = std::get<Request>(parsed);

    Preferences& preferences = root.preferences();
    const QDir library(preferences.folderPath());
    QList<QUrl> folders;
    for (const QString& day : request.days)
        folders.append(QUrl::fromLocalFile(library.filePath(day)));
    const int fps = request.fps.value_or(preferences.timelapseFPS());

    TimelapseExportController controller(root.timelapseExporter(), root.log());
    const bool showsProgress = ::isatty(STDERR_FILENO) == 1;
    if (showsProgress) {
        QObject::connect(&controller, &TimelapseExportController::changed, &controller,
                         [&controller] { drawProgress(controller); });
    }
    QObject::connect(&controller, &TimelapseExportController::ended, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);
    bool interrupted = false;
    SignalWatcher signals({SIGINT, SIGTERM});
    QObject::connect(&signals, &SignalWatcher::received, &controller, [&] {
        interrupted = true;
        controller.cancel();
    });

    controller.exportDays(folders, fps);
    if (controller.isRunning())
        QCoreApplication::exec();
    if (showsProgress)
        std::fputs("\r\033[2K", stderr);

    for (const QUrl& video : controller.outputURLs())
        Console::out(video.toLocalFile());
    root.log().flush();
    if (controller.errorMessage())
        return Console::failure(*controller.errorMessage());
    Console::err(controller.statusText().value_or(QString()));
    return interrupted ? 1 : 0;
}
