#include "cli/OcrCommand.h"

#include "app/AppRoot.h"
#include "cli/Console.h"
#include "core/search/SearchIndex.h"

#include "core/settings/Preferences.h"
#include "core/textsearch/TextRecognizer.h"
#include "core/textsearch/TextSearchController.h"
#include "core/textsearch/TextSearchScan.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>

namespace {

std::atomic<bool> g_interrupted{false};

void onInterrupt(int)
{
    g_interrupted = true;
    std::signal(SIGINT, SIG_DFL);  // a second Ctrl-C ends at once
}

struct OcrOptions
{
    std::optional<QString> folder;
    std::optional<TextRecognitionLevel> level;
    std::optional<QString> language;
};

std::optional<QString> parse(const QStringList& arguments, OcrOptions& options)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--level") || argument == QLatin1String("--language")) {
            if (i + 1 >= arguments.size())
                return QStringLiteral("%1 needs a value").arg(argument);
            const QString value = arguments[++i];
            if (argument == QLatin1String("--language")) {
                options.language = value;
                continue;
            }
            if (value == QLatin1String("fast"))
                options.level = TextRecognitionLevel::Fast;
            else if (value == QLatin1String("accurate"))
                options.level = TextRecognitionLevel::Accurate;
            else
                return QStringLiteral("--level is fast or accurate, not \"%1\"").arg(value);
        } else if (argument.startsWith(QLatin1Char('-'))) {
            return QStringLiteral("unknown option \"%1\"").arg(argument);
        } else if (options.folder) {
            return QStringLiteral("give one folder at most");
        } else {
            options.folder = argument;
        }
    }
    return std::nullopt;
}

void drawProgress(int completed, int total)
{
    constexpr int kWidth = 30;
    const int filled = total > 0 ? int(qint64(kWidth) * completed / total) : 0;
    const QByteArray line = "\r[" + QByteArray(filled, '#') + QByteArray(kWidth - filled, '-') + "] "
                            + QByteArray::number(completed) + " of " + QByteArray::number(total);
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

int run(AppRoot& root, const QStringList& arguments)
{
    OcrOptions options;
    if (const auto error = parse(arguments, options))
        return Console::usageError(*error
                                   + QStringLiteral("; usage: momentra ocr [FOLDER] [--level fast|accurate] "
                                                    "[--language L]"));
    Preferences& preferences = root.preferences();
    const QString screenshots = QDir::cleanPath(QDir(preferences.folderPath()).absolutePath());
    const QString folder = options.folder ? QDir::cleanPath(QDir(*options.folder).absolutePath()) : screenshots;
    if (!QFileInfo(folder).isDir())
        return Console::usageError(QStringLiteral("\"%1\" is not a folder").arg(folder));

    const std::shared_ptr<TextRecognizer> recognizer = root.recognizer();
    TextSearchSettings settings{options.level.value_or(preferences.textRecognitionLevel()),
                                options.language ? options.language : preferences.textRecognitionLanguage(),
                                preferences.usesTextLanguageCorrection()};
    if (options.language && !recognizer->supportedLanguages(settings.level).contains(*options.language)) {
        return Console::usageError(
            QStringLiteral("the language \"%1\" isn't installed; installed: %2")
                .arg(*options.language, recognizer->supportedLanguages(settings.level).join(QStringLiteral(", "))));
    }

    TextSearchController controller({&root.codec(), recognizer.get(), 0, &root.searchIndex()}, root.log());
    const bool isCaptureFolder = folder == screenshots;
    const bool showProgress = Console::isTerminal();
    QEventLoop loop;
    QObject::connect(&controller, &TextSearchController::runFinished, &loop, &QEventLoop::quit);
    if (showProgress) {
        QObject::connect(&controller, &TextSearchController::changed, &loop, [&] {
            if (controller.isRunning() && controller.total() > 0)
                drawProgress(controller.completed(), controller.total());
        });
    }
    QTimer interruptCheck;
    QObject::connect(&interruptCheck, &QTimer::timeout, &loop, [&] {
        if (g_interrupted.exchange(false) && controller.isRunning() && !controller.isStopping()) {
            Console::err(QStringLiteral("\nStopping after the current file…"));
            controller.stop();
        }
    });
    interruptCheck.start(100);
    std::signal(SIGINT, onInterrupt);

    if (isCaptureFolder) {
        controller.readCaptureFolder(folder, settings);
    } else {
        const TextSearchScan::ImagesResult images = TextSearchScan::findImages(folder, settings.level);
        controller.readFolder(folder, images.toRead, settings);
    }
    loop.exec();
    std::signal(SIGINT, SIG_DFL);
    if (showProgress)
        Console::out(QString());
    if (isCaptureFolder) {
        // The search index follows the whole folder, not only the files read now.
        root.searchIndex().reconcile(preferences.folderPath());
        root.searchIndex().waitUntilIdle();
    }
    Console::out(controller.statusText().value_or(QString()));
    const bool stoppedOrFailed = controller.statusText().value_or(QString()).startsWith(QLatin1String("Stopped"))
                                 || controller.statusText().value_or(QString()).contains(QLatin1String("Couldn't"));
    return stoppedOrFailed ? 1 : 0;
}

}  // namespace

Command OcrCommand::command()
{
    return {QStringLiteral("ocr"), QStringLiteral("ocr [FOLDER] [--level fast|accurate] [--language L]"),
            QStringLiteral("make the screenshots (or the images in FOLDER) searchable by their text"), &run};
}
