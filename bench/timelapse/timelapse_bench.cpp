// Timelapse export benchmark: our exporter against the ffmpeg command line on
// the same JPEG screenshots, at the same x264 preset. Each run is a child
// process, so that its peak memory (maxrss from wait4) is its own. See README.md.
#include "core/timelapse/TimelapseExporter.h"
#include "media/FfmpegVideoWriter.h"

#include "media/image/MediaImageCodec.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kDay = QStringLiteral("2024-05-01");

// A desktop with a few text windows; one window fills with text as frames go
// on and moves now and then, a clock changes every frame: like a working day.
QImage screenshot(QSize size, int index)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(40, 70, 120));
    sky.setColorAt(1, QColor(150, 90, 120));
    painter.fillRect(image.rect(), sky);
    const double unit = size.width() / 1920.0;
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(int(14 * unit));
    painter.setFont(font);

    QRandomGenerator words(7);
    auto window = [&](QRect frame, int lines, const QString& title, quint32 seed) {
        painter.fillRect(frame.adjusted(int(6 * unit), int(6 * unit), int(6 * unit), int(6 * unit)),
                         QColor(0, 0, 0, 60));
        painter.fillRect(frame, QColor(250, 250, 248));
        painter.fillRect(QRect(frame.topLeft(), QSize(frame.width(), int(28 * unit))), QColor(225, 225, 230));
        painter.setPen(QColor(40, 40, 40));
        painter.drawText(frame.adjusted(int(10 * unit), int(6 * unit), 0, 0), title);
        QRandomGenerator text(seed);
        const int lineHeight = int(18 * unit);
        for (int line = 0; line < lines && (line + 2) * lineHeight < frame.height(); ++line) {
            QString sentence;
            while (sentence.size() < frame.width() / (9 * unit) - 8) {
                static const char* const vocabulary[] = {
                    "return", "const",   "frame", "video", "the",   "screenshot", "export", "display", "for", "int",
                    "auto",   "QString", "if",    "else",  "while", "timelapse",  "{",      "}",       "=",   "+"};
                sentence += QLatin1String(vocabulary[text.bounded(20)]) + QLatin1Char(' ');
            }
            painter.setPen(QColor(text.bounded(120), text.bounded(120), text.bounded(160)));
            painter.drawText(frame.left() + int(10 * unit), frame.top() + int(28 * unit) + (line + 1) * lineHeight,
                             sentence);
        }
    };
    window(QRect(int(60 * unit), int(80 * unit), int(900 * unit), int(800 * unit)), 60, QStringLiteral("notes.txt"),
           11);
    const int drift = (index / 10) % 8;
    window(QRect(int((700 + drift * 20) * unit), int(200 * unit), int(1100 * unit), int(760 * unit)), index % 45,
           QStringLiteral("editor — main.cpp"), 23 + quint32(index / 45));
    painter.fillRect(QRect(0, 0, size.width(), int(30 * unit)), QColor(20, 20, 24));
    painter.setPen(Qt::white);
    painter.drawText(
        QRect(0, 0, size.width() - int(20 * unit), int(30 * unit)), Qt::AlignRight | Qt::AlignVCenter,
        QStringLiteral("10:%1:%2").arg(index / 60, 2, 10, QLatin1Char('0')).arg(index % 60, 2, 10, QLatin1Char('0')));
    Q_UNUSED(words);
    return image;
}

// frames/0001.jpeg … for ffmpeg, and the same files under the library's names.
void generate(const QString& root, int count, QSize size)
{
    QDir().mkpath(root + QStringLiteral("/frames"));
    QDir().mkpath(root + QStringLiteral("/library/") + kDay);
    for (int i = 0; i < count; ++i) {
        const QString frame = root + QStringLiteral("/frames/%1.jpeg").arg(i + 1, 4, 10, QLatin1Char('0'));
        if (!QFile::exists(frame))
            screenshot(size, i).save(frame, "JPEG", 60);
        const QString shot = root
                             + QStringLiteral("/library/%1/Momentra_%1_10-%2-%3.jpeg")
                                   .arg(kDay)
                                   .arg(i / 60, 2, 10, QLatin1Char('0'))
                                   .arg(i % 60, 2, 10, QLatin1Char('0'));
        QFile::remove(shot);
        QFile::link(frame, shot);
    }
}

int exportChild(const QString& library, const QString& preset)
{
    FfmpegVideoWriter::Options options = FfmpegVideoWriter::shippedOptions();
    options.preset = preset;
    // For trying encoder settings: MOMENTRA_BENCH_THREADS, _LOOKAHEAD, _X264_PARAMS.
    if (qEnvironmentVariableIsSet("MOMENTRA_BENCH_THREADS"))
        options.threads = qEnvironmentVariableIntValue("MOMENTRA_BENCH_THREADS");
    if (qEnvironmentVariableIsSet("MOMENTRA_BENCH_LOOKAHEAD"))
        options.lookahead = qEnvironmentVariableIntValue("MOMENTRA_BENCH_LOOKAHEAD");
    if (qEnvironmentVariableIsSet("MOMENTRA_BENCH_X264_PARAMS"))
        options.x264Params = qEnvironmentVariable("MOMENTRA_BENCH_X264_PARAMS");
    TimelapseExporter exporter(std::make_shared<MediaImageCodec>(),
                               [options] { return std::make_unique<FfmpegVideoWriter>(options); });
    const auto outcome = exporter.exportDays(
        {QUrl::fromLocalFile(library + QLatin1Char('/') + kDay)}, 12, [] { return false; },
        [](const TimelapseProgress&) {});
    if (const auto* error = std::get_if<TimelapseError>(&outcome)) {
        std::fprintf(stderr, "%s\n", qPrintable(error->description()));
        return 1;
    }
    return 0;
}

struct Measurement
{
    bool ok = false;
    double seconds = 0;     // wall clock
    double cpuSeconds = 0;  // user + system
    double peakMB = 0;
    double sizeMB = 0;
};

Measurement measure(const QStringList& command, const QString& output)
{
    QFile::remove(output);
    QElapsedTimer clock;
    clock.start();
    const pid_t child = fork();
    if (child == 0) {
        QList<QByteArray> storage;
        std::vector<char*> argv;
        for (const QString& part : command)
            storage.append(part.toLocal8Bit());
        for (QByteArray& part : storage)
            argv.push_back(part.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Measurement m;
    m.seconds = clock.nsecsElapsed() / 1e9;
    m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && QFile::exists(output);
    m.peakMB = usage.ru_maxrss / 1024.0;
    m.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
                   + usage.ru_stime.tv_usec / 1e6;
    m.sizeMB = QFileInfo(output).size() / 1e6;
    return m;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--child-export") == 0) {
        QCoreApplication app(argc, argv);
        return exportChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Timelapse export against ffmpeg -c:v libx264."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("dir"), QStringLiteral("work folder (frames are kept for reruns)"),
                      QStringLiteral("dir"), QStringLiteral("/tmp/momentra-timelapse-bench")});
    parser.addOption(
        {QStringLiteral("count"), QStringLiteral("screenshots"), QStringLiteral("n"), QStringLiteral("300")});
    parser.addOption(
        {QStringLiteral("size"), QStringLiteral("WxH"), QStringLiteral("size"), QStringLiteral("1920x1080")});
    parser.addOption({QStringLiteral("presets"), QStringLiteral("x264 presets, comma-separated"),
                      QStringLiteral("list"), FfmpegVideoWriter::shippedOptions().preset + QStringLiteral(",medium")});
    parser.addOption({QStringLiteral("repeat"), QStringLiteral("runs per tool; the fastest counts, the largest peak"),
                      QStringLiteral("n"), QStringLiteral("3")});
    parser.process(app);
    const int repeat = std::max(1, parser.value(QStringLiteral("repeat")).toInt());

    const int count = parser.value(QStringLiteral("count")).toInt();
    const QStringList wh = parser.value(QStringLiteral("size")).split(QLatin1Char('x'));
    const QSize size(wh.value(0).toInt(), wh.value(1).toInt());
    const QString root = parser.value(QStringLiteral("dir"))
                         + QStringLiteral("/%1x%2-%3").arg(size.width()).arg(size.height()).arg(count);
    std::printf("Generating %d JPEG screenshots of %dx%d in %s …\n", count, size.width(), size.height(),
                qPrintable(root));
    std::fflush(stdout);
    generate(root, count, size);

    const QString self = QCoreApplication::applicationFilePath();
    const QString ours = root + QStringLiteral("/library/Momentra_%1.mp4").arg(kDay);
    const QString theirs = root + QStringLiteral("/out.mp4");
    std::printf("\n%-10s %-8s %10s %10s %10s %10s\n", "preset", "tool", "frames/s", "CPU s", "peak MB", "size MB");
    for (const QString& preset : parser.value(QStringLiteral("presets")).split(QLatin1Char(','))) {
        const QStringList oursCommand = {self, QStringLiteral("--child-export"), root + QStringLiteral("/library"),
                                         preset};
        const QStringList ffmpegCommand = {QStringLiteral("ffmpeg"),
                                           QStringLiteral("-y"),
                                           QStringLiteral("-v"),
                                           QStringLiteral("error"),
                                           QStringLiteral("-framerate"),
                                           QStringLiteral("12"),
                                           QStringLiteral("-i"),
                                           root + QStringLiteral("/frames/%04d.jpeg"),
                                           QStringLiteral("-c:v"),
                                           QStringLiteral("libx264"),
                                           QStringLiteral("-preset"),
                                           preset,
                                           QStringLiteral("-pix_fmt"),
                                           QStringLiteral("yuv420p"),
                                           theirs};
        Measurement a, b;
        auto keepBest = [](Measurement& best, const Measurement& run, bool first) {
            if (first || !run.ok) {
                best = run;
                return;
            }
            best.ok = best.ok && run.ok;
            best.seconds = std::min(best.seconds, run.seconds);
            best.cpuSeconds = std::min(best.cpuSeconds, run.cpuSeconds);
            best.peakMB = std::max(best.peakMB, run.peakMB);
        };
        for (int i = 0; i < repeat; ++i) {  // interleaved, so that both see the same load
            keepBest(a, measure(oursCommand, ours), i == 0);
            keepBest(b, measure(ffmpegCommand, theirs), i == 0);
            if (i + 1 < repeat)
                QFile::remove(ours);
        }
        if (!a.ok || !b.ok) {
            std::printf("%-10s run failed (momentra %s, ffmpeg %s)\n", qPrintable(preset), a.ok ? "ok" : "failed",
                        b.ok ? "ok" : "failed");
            continue;
        }
        std::printf("%-10s %-8s %10.1f %10.1f %10.0f %10.2f\n", qPrintable(preset), "momentra", count / a.seconds,
                    a.cpuSeconds, a.peakMB, a.sizeMB);
        std::printf("%-10s %-8s %10.1f %10.1f %10.0f %10.2f\n", qPrintable(preset), "ffmpeg", count / b.seconds,
                    b.cpuSeconds, b.peakMB, b.sizeMB);
        std::printf("%-10s %-8s %9.2fx %9.2fx %9.2fx %9.2fx\n", qPrintable(preset), "ratio", b.seconds / a.seconds,
                    a.cpuSeconds / b.cpuSeconds, a.peakMB / b.peakMB, a.sizeMB / b.sizeMB);
        std::fflush(stdout);
        QFile::remove(ours);
    }
    std::printf("\nratio: frames/s = momentra/ffmpeg speed (above 1: faster); CPU, peak and size = momentra/ffmpeg"
                " (below 1: less).\nframes/s and CPU s: best of %d runs; peak MB: highest of them.\n",
                repeat);
    return 0;
}
