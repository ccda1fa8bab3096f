// OCR benchmark: reads rendered 1920×1080 screenshots of known words with
// both recognition levels and with the `tesseract` command, and times the
// capture folder count over many files. See README.md.
#include "CpuClock.h"
#include "ScreenRenderer.h"
#include "WordRecall.h"

#include "core/Bitmap.h"
#include "core/textsearch/TextMetadata.h"
#include "core/textsearch/TextSearchScan.h"
#include "media/TesseractRecognizer.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <sys/xattr.h>
#include <thread>

namespace {

struct Sample
{
    QString path;
    ScreenRenderer::Theme theme;
    QStringList words;
    Bitmap bitmap;
};

struct Score
{
    double cpuSeconds = 0;
    double seconds = 0;
    double recall = 0;
    int images = 0;
    int maxThreads = 0;
    void add(double s, double r)
    {
        seconds += s;
        recall += r;
        ++images;
    }
    double secondsPerImage() const { return images ? seconds / images : 0; }
    double cpuPerImage() const { return images ? cpuSeconds / images : 0; }
    double meanRecall() const { return images ? recall / images : 0; }
};

void print(const char* format, auto... values)
{
    std::printf(format, values...);
    std::fflush(stdout);
}

Bitmap toBitmap(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    Bitmap bitmap{argb.width(), argb.height(), int(argb.bytesPerLine()),
                  QByteArray(reinterpret_cast<const char*>(argb.constBits()), argb.sizeInBytes())};
    return bitmap;
}

int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

Score runLevel(TesseractRecognizer& recognizer, const QList<Sample>& samples, const TextSearchSettings& settings,
               int repeat, QHash<int, Score>* byTheme)
{
    recognizer.recognize(samples.first().bitmap, settings, QDeadlineTimer(60000));  // engine start, not timed
    Score score;
    std::atomic<bool> running{true};
    std::atomic<int> maxThreads{0};
    std::thread sampler([&] {
        while (running) {
            maxThreads = std::max(maxThreads.load(), threadCount());
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    for (const Sample& sample : samples) {
        double seconds = 1e9, cpuSeconds = 1e9;
        TextReadResult result = TextReadResult::failed(QString());
        for (int run = 0; run < repeat; ++run) {  // the best of the runs: the machine's noise only adds
            QElapsedTimer timer;
            timer.start();
            const double cpuBefore = threadCpuSeconds();
            result = recognizer.recognize(sample.bitmap, settings, QDeadlineTimer(120000));
            seconds = std::min(seconds, timer.nsecsElapsed() / 1e9);
            cpuSeconds = std::min(cpuSeconds, threadCpuSeconds() - cpuBefore);
        }
        score.cpuSeconds += cpuSeconds;
        const double recall = WordRecall::recall(sample.words, result.text());
        score.add(seconds, recall);
        (*byTheme)[int(sample.theme)].add(seconds, recall);
    }
    running = false;
    sampler.join();
    score.maxThreads = maxThreads - 1;  // without the sampler itself
    return score;
}

Score runTesseractCommand(const QList<Sample>& samples, int repeat, QHash<int, Score>* byTheme)
{
    Score score;
    for (const Sample& sample : samples) {
        double seconds = 1e9, cpuSeconds = 1e9;
        QByteArray output;
        for (int run = 0; run < repeat; ++run) {
            QProcess process;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
            process.setProcessEnvironment(environment);
            QElapsedTimer timer;
            timer.start();
            const double cpuBefore = childCpuSeconds();
            process.start(QStringLiteral("tesseract"), {sample.path, QStringLiteral("stdout")});
            process.waitForFinished(300000);
            seconds = std::min(seconds, timer.nsecsElapsed() / 1e9);
            if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
                print("tesseract command failed on %s (is tesseract-ocr installed?)\n", qPrintable(sample.path));
                return {};
            }
            cpuSeconds = std::min(cpuSeconds, childCpuSeconds() - cpuBefore);
            output = process.readAllStandardOutput();
        }
        score.cpuSeconds += cpuSeconds;
        const double recall = WordRecall::recall(sample.words, QString::fromUtf8(output));
        score.add(seconds, recall);
        (*byTheme)[int(sample.theme)].add(seconds, recall);
    }
    return score;
}

void printScore(const char* name, const Score& score, const QHash<int, Score>& byTheme)
{
    print("%-18s %6.2f s/image (cpu %6.2f s)  recall %5.1f %%", name, score.secondsPerImage(), score.cpuPerImage(),
          100 * score.meanRecall());
    for (auto theme : {ScreenRenderer::Theme::Light, ScreenRenderer::Theme::Dark, ScreenRenderer::Theme::Mixed}) {
        const Score& part = byTheme.value(int(theme));
        print("  %s %5.1f %%", qPrintable(ScreenRenderer::themeName(theme)), 100 * part.meanRecall());
    }
    if (score.maxThreads > 0)
        print("  threads %d", score.maxThreads);
    print("\n");
}

void countBenchmark(int files, const QString& base)
{
    QTemporaryDir dir(base + QStringLiteral("/momentra-count-XXXXXX"));
    const int perDay = 1000;
    const int days = (files + perDay - 1) / perDay;
    print("\ncreating %d files in %d day folders under %s ...\n", files, days, qPrintable(dir.path()));
    QDate day(2024, 1, 1);
    int made = 0;
    for (int d = 0; d < days; ++d, day = day.addDays(1)) {
        const QString folder = dir.path() + QLatin1Char('/') + day.toString(QStringLiteral("yyyy-MM-dd"));
        QDir().mkpath(folder);
        for (int i = 0; i < perDay && made < files; ++i, ++made) {
            const QString path = folder
                                 + QStringLiteral("/Momentra_%1_%2-%3-%4.jpeg")
                                       .arg(day.toString(QStringLiteral("yyyy-MM-dd")))
                                       .arg(i / 3600 % 24, 2, 10, QLatin1Char('0'))
                                       .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                                       .arg(i % 60, 2, 10, QLatin1Char('0'))
                                 + (i >= 3600 ? QStringLiteral("_%1").arg(i) : QString());
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.close();
            if (i % 3 == 1)
                TextMetadata::write(QStringLiteral("some text"), path, TextRecognitionLevel::Accurate);
            else if (i % 3 == 2)
                TextMetadata::write(QStringLiteral("some text"), path, TextRecognitionLevel::Fast);
        }
    }
    double best = 1e9;
    TextSearchScan::CaptureFolderResult result;
    for (int run = 0; run < 5; ++run) {  // the first run warms the caches
        QElapsedTimer timer;
        timer.start();
        result = TextSearchScan::scanCaptureFolder(dir.path(), TextRecognitionLevel::Accurate);
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (run > 0)
            best = std::min(best, seconds);
    }
    // The floor: one marker read per file, on one thread, nothing else.
    QList<QByteArray> paths;
    for (const QString& day : QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QString& name : QDir(dir.path() + QLatin1Char('/') + day).entryList(QDir::Files))
            paths.append(QFile::encodeName(dir.path() + QLatin1Char('/') + day + QLatin1Char('/') + name));
    QElapsedTimer floorTimer;
    floorTimer.start();
    char marker[16];
    for (const QByteArray& path : paths)
        ::lgetxattr(path.constData(), TextMetadata::kMarkerAttribute, marker, sizeof marker);
    const double perCall = floorTimer.nsecsElapsed() / 1e3 / qMax<qsizetype>(1, paths.size());
    print("one getxattr        %.2f us on this machine (single thread, warm)\n", perCall);
    print("count scan          %d files: %.3f s warm (best of 4; target < 0.4 s)  total %d, to read %lld, read with "
          "Fast %d\n",
          files, best, result.total, qlonglong(result.toRead.size()), result.readWithFast);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Momentra OCR benchmark"));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("images"), QStringLiteral("Screens per theme (default 3)."), QStringLiteral("n"),
                      QStringLiteral("3")});
    parser.addOption({QStringLiteral("count-files"),
                      QStringLiteral("Files for the count scan (default 100000, 0 skips)."), QStringLiteral("n"),
                      QStringLiteral("100000")});
    parser.addOption({QStringLiteral("count-dir"), QStringLiteral("Where to create them (default /tmp)."),
                      QStringLiteral("dir"), QStringLiteral("/tmp")});
    parser.addOption(
        {QStringLiteral("keep"), QStringLiteral("Save the screens into this folder."), QStringLiteral("dir")});
    parser.addOption({QStringLiteral("repeat"), QStringLiteral("Read each screen n times, keep the best (default 1)."),
                      QStringLiteral("n"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("no-command"), QStringLiteral("Skip the tesseract command.")});
    parser.addOption({QStringLiteral("correction"), QStringLiteral("Read with language correction on.")});
    parser.addOption({QStringLiteral("profile"),
                      QStringLiteral("Try another preparation: LEVEL:SCALE:INVERT:PSM, e.g. fast:1:1:11."),
                      QStringLiteral("spec")});
    parser.process(app);

    QTemporaryDir temp;
    const QString imageDir = parser.isSet(QStringLiteral("keep")) ? parser.value(QStringLiteral("keep")) : temp.path();
    QDir().mkpath(imageDir);
    const int perTheme = parser.value(QStringLiteral("images")).toInt();

    QList<Sample> samples;
    int totalWords = 0;
    for (int i = 0; i < perTheme; ++i) {
        for (auto theme : {ScreenRenderer::Theme::Light, ScreenRenderer::Theme::Dark, ScreenRenderer::Theme::Mixed}) {
            ScreenRenderer::Screen screen = ScreenRenderer::render(i, theme);
            const QString path = imageDir
                                 + QStringLiteral("/screen-%1-%2.png").arg(ScreenRenderer::themeName(theme)).arg(i);
            screen.image.save(path);
            totalWords += int(screen.words.size());
            samples.append({path, theme, screen.words, toBitmap(screen.image)});
        }
    }
    print("%lld screens of 1920x1080, %d words in all, images in %s\n", qlonglong(samples.size()), totalWords,
          qPrintable(imageDir));

    TesseractRecognizer recognizer;
    for (const QString& spec : parser.values(QStringLiteral("profile"))) {
        const QStringList parts = spec.split(QLatin1Char(':'));
        if (parts.size() < 4)
            continue;
        const TextRecognitionLevel level = parts[0] == QLatin1String("fast") ? TextRecognitionLevel::Fast
                                                                             : TextRecognitionLevel::Accurate;
        recognizer.setProfile(
            level, {parts[1].toDouble(), parts[2] == QLatin1String("1"), tesseract::PageSegMode(parts[3].toInt())});
    }
    const bool correction = parser.isSet(QStringLiteral("correction"));
    const int repeat = qMax(1, parser.value(QStringLiteral("repeat")).toInt());

    QHash<int, Score> accurateThemes, fastThemes, commandThemes;
    const Score accurate = samples.isEmpty() ? Score{}
                                             : runLevel(recognizer, samples,
                                                        {TextRecognitionLevel::Accurate, std::nullopt, correction},
                                                        repeat, &accurateThemes);
    printScore("accurate", accurate, accurateThemes);
    const Score fast = samples.isEmpty()
                           ? Score{}
                           : runLevel(recognizer, samples, {TextRecognitionLevel::Fast, std::nullopt, correction},
                                      repeat, &fastThemes);
    printScore("fast", fast, fastThemes);
    if (!parser.isSet(QStringLiteral("no-command")) && !samples.isEmpty()) {
        const Score command = runTesseractCommand(samples, repeat, &commandThemes);
        printScore("tesseract command", command, commandThemes);
        if (command.images) {
            print("\naccurate vs command: %.2f x the time, %.2f x the cpu time (target <= 0.50), recall %+.1f points "
                  "(target >= 0)\n",
                  accurate.secondsPerImage() / command.secondsPerImage(),
                  accurate.cpuPerImage() / command.cpuPerImage(), 100 * (accurate.meanRecall() - command.meanRecall()));
        }
    }
    if (fast.images) {
        print("fast vs accurate:    %.2f x faster, %.2f x less cpu (target >= 3), fast recall %.1f %% (target >= 85 "
              "%%)\n",
              accurate.secondsPerImage() / fast.secondsPerImage(), accurate.cpuPerImage() / fast.cpuPerImage(),
              100 * fast.meanRecall());
    }

    const int countFiles = parser.value(QStringLiteral("count-files")).toInt();
    if (countFiles > 0)
        countBenchmark(countFiles, parser.value(QStringLiteral("count-dir")));
    return 0;
}
