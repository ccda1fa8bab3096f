// Soak benchmark: `momentra run` at a one-second interval for a long period,
// once without and once with text search, on a private Xvfb showing a
// synthetic desktop full of text. Samples resident memory, open descriptors
// and CPU time every few seconds; after the warm-up resident memory may grow
// by at most 1 MB and descriptors not at all.
// MOMENTRA=path runs another build's momentra.
//   bench_soak [--seconds 600] [--warmup 120] [--mode both|plain|text] [--level Accurate|Fast] [--size 1920x1080]

#include "BenchXServer.h"
#include "DesktopPicture.h"
#include "ProcessSampler.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

constexpr qint64 kAllowedGrowthKiB = 1024;
constexpr double kComparedSpanSeconds = 60;

struct Options
{
    int seconds = 600;
    int warmup = 120;
    int sampleEvery = 5;
    QString level = QStringLiteral("Accurate");
};

QString megabytes(qint64 kib)
{
    return QString::number(double(kib) / 1024.0, 'f', 1) + QStringLiteral(" MB");
}

// One soak of `momentra run` in a home of its own; true when it held.
bool soak(const Options& options, bool textSearch, const QString& display)
{
    QTemporaryDir home;
    const QString config = home.filePath(QStringLiteral(".config/Momentra"));
    QDir().mkpath(config);
    QJsonObject settings{{QStringLiteral("Momentra.folderPath"), home.filePath(QStringLiteral("Shots"))},
                         {QStringLiteral("Momentra.intervalSeconds"), 1},
                         {QStringLiteral("Momentra.searchesText"), textSearch},
                         {QStringLiteral("Momentra.textRecognitionLevel"), options.level}};
    QFile file(config + QStringLiteral("/defaults.json"));
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(settings).toJson()) < 0)
        return false;
    file.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral(".local/state")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral(".local/share")));
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess run;
    run.setProcessEnvironment(environment);
    run.setStandardOutputFile(QProcess::nullDevice());
    run.setStandardErrorFile(home.filePath(QStringLiteral("run.err")));
    run.start(qEnvironmentVariable("MOMENTRA", QStringLiteral(MOMENTRA_EXECUTABLE)), {QStringLiteral("run")});
    if (!run.waitForStarted()) {
        std::fprintf(stderr, "momentra did not start\n");
        return false;
    }
    ProcessSampler sampler(pid_t(run.processId()));
    QElapsedTimer clock;
    clock.start();
    double lastPrinted = 0;
    while (clock.elapsed() < qint64(options.seconds) * 1000) {
        if (!sampler.sample(double(clock.elapsed()) / 1000.0)) {
            std::fprintf(stderr, "momentra ended early\n");
            return false;
        }
        const ProcessSampler::Sample& s = sampler.samples().constLast();
        if (s.seconds >= lastPrinted + 60) {
            std::printf("  %4.0f s: %s, %d descriptors\n", s.seconds, qPrintable(megabytes(s.residentKiB)),
                        s.descriptors);
            std::fflush(stdout);
            lastPrinted = s.seconds;
        }
        QThread::sleep(static_cast<unsigned long>(options.sampleEvery));
    }
    run.terminate();
    run.waitForFinished(30000);

    const QList<ProcessSampler::Sample>& samples = sampler.samples();
    const double end = samples.constLast().seconds;
    const qint64 settled = sampler.medianResidentKiB(options.warmup, options.warmup + kComparedSpanSeconds);
    const qint64 last = sampler.medianResidentKiB(end - kComparedSpanSeconds, end + 1);
    qint64 peak = 0;
    int settledDescriptors = -1;
    double settledCpu = 0, settledAt = 0;
    for (const ProcessSampler::Sample& s : samples) {
        peak = std::max(peak, s.residentKiB);
        if (settledDescriptors < 0 && s.seconds >= options.warmup) {
            settledDescriptors = s.descriptors;
            settledCpu = s.cpuSeconds;
            settledAt = s.seconds;
        }
    }
    const ProcessSampler::Sample& final = samples.constLast();
    const bool held = last - settled <= kAllowedGrowthKiB && final.descriptors <= settledDescriptors;
    std::printf(
        "text search %s: resident %s after warm-up, %s at the end (%+lld KiB), peak %s; "
        "descriptors %d -> %d; CPU %.1f %% of one core -> %s\n",
        textSearch ? qPrintable(QStringLiteral("on (%1)").arg(options.level)) : "off", qPrintable(megabytes(settled)),
        qPrintable(megabytes(last)), last - settled, qPrintable(megabytes(peak)), settledDescriptors, final.descriptors,
        100.0 * (final.cpuSeconds - settledCpu) / std::max(1.0, final.seconds - settledAt), held ? "held" : "FAILED");
    return held;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("Length of each soak."), QStringLiteral("s"),
                      QStringLiteral("600")});
    parser.addOption({QStringLiteral("warmup"), QStringLiteral("Warm-up left out of the growth."), QStringLiteral("s"),
                      QStringLiteral("120")});
    parser.addOption({QStringLiteral("mode"), QStringLiteral("both, plain or text."), QStringLiteral("mode"),
                      QStringLiteral("both")});
    parser.addOption({QStringLiteral("level"), QStringLiteral("Accurate or Fast."), QStringLiteral("level"),
                      QStringLiteral("Accurate")});
    parser.addOption(
        {QStringLiteral("size"), QStringLiteral("The screen."), QStringLiteral("WxH"), QStringLiteral("1920x1080")});
    parser.addHelpOption();
    parser.process(app);
    Options options;
    options.seconds = parser.value(QStringLiteral("seconds")).toInt();
    options.warmup = parser.value(QStringLiteral("warmup")).toInt();
    options.level = parser.value(QStringLiteral("level"));
    const QStringList size = parser.value(QStringLiteral("size")).split(QLatin1Char('x'));
    const int width = size.value(0).toInt(), height = size.value(1).toInt();
    if (options.seconds < options.warmup + 2 * kComparedSpanSeconds || width <= 0 || height <= 0) {
        std::fprintf(stderr, "--seconds must leave two minutes after the warm-up; --size is WxH\n");
        return 2;
    }

    BenchXServer server;
    if (!server.start(width, height)) {
        std::fprintf(stderr, "Xvfb did not start (Debian package xvfb)\n");
        return 1;
    }
    const QString shown = DesktopPicture::show(DesktopPicture::make(width, height), server.display());
    if (!shown.isEmpty()) {
        std::fprintf(stderr, "desktop picture: %s\n", qPrintable(shown));
        return 1;
    }
    const QString mode = parser.value(QStringLiteral("mode"));
    bool held = true;
    if (mode != QStringLiteral("text"))
        held = soak(options, false, server.display()) && held;
    if (mode != QStringLiteral("plain"))
        held = soak(options, true, server.display()) && held;
    return held ? 0 : 1;
}
