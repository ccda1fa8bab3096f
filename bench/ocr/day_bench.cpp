// The recorded-day benchmark: reads consecutive screenshots of one display
// in full, incrementally (IncrementalTextReader) and with the `tesseract`
// command, and reports processor time and word recall per capture and by
// kind of change. See README.md.
#include "CpuClock.h"
#include "DaySequence.h"
#include "WordRecall.h"

#include "core/Bitmap.h"
#include "core/StopFlag.h"
#include "core/library/ImageCodec.h"
#include "core/textsearch/BulkTextReader.h"
#include "core/textsearch/IncrementalTextReader.h"
#include "core/textsearch/LiveTextSearchSettings.h"
#include "core/textsearch/TextMetadata.h"
#include "media/TesseractRecognizer.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString kDisplay = QStringLiteral("bench-display");

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

void print(const char* format, auto... values)
{
    std::printf(format, values...);
    std::fflush(stdout);
}

Bitmap toBitmap(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    return {argb.width(), argb.height(), int(argb.bytesPerLine()),
            QByteArray(reinterpret_cast<const char*>(argb.constBits()), argb.sizeInBytes())};
}

struct Measure
{
    double cpu = 0;
    double recall = 0;
    QString text;
};

Measure readFull(TesseractRecognizer& recognizer, const Bitmap& bitmap, const TextSearchSettings& settings,
                 const QStringList& words)
{
    const double before = threadCpuSeconds();
    const TextReadResult result = recognizer.recognize(bitmap, settings, QDeadlineTimer(300000));
    return {threadCpuSeconds() - before, WordRecall::recall(words, result.text()), result.text()};
}

Measure readIncrementally(TesseractRecognizer& recognizer, IncrementalTextReader& reader, const Bitmap& bitmap,
                          const TextSearchSettings& settings, const QStringList& words)
{
    const double before = threadCpuSeconds();
    const std::shared_ptr<TextPage> page = recognizer.preparePage(bitmap, settings);
    const TextReadResult result = reader.read(kDisplay, *page, settings, QDeadlineTimer(300000));
    return {threadCpuSeconds() - before, WordRecall::recall(words, result.text()), result.text()};
}

Measure readWithCommand(const QString& path, const QStringList& words)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    const double before = childCpuSeconds();
    process.start(QStringLiteral("tesseract"), {path, QStringLiteral("stdout")});
    process.waitForFinished(300000);
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    return {childCpuSeconds() - before, WordRecall::recall(words, text), text};
}

struct Totals
{
    int frames = 0;
    double full = 0, incremental = 0, command = 0;
    double fullRecall = 0, incrementalRecall = 0, commandRecall = 0, agreement = 0;
    double incrementalMax = 0;
    void add(const Measure& f, const Measure& i, const Measure& c, double agree)
    {
        ++frames;
        full += f.cpu;
        incremental += i.cpu;
        command += c.cpu;
        fullRecall += f.recall;
        incrementalRecall += i.recall;
        commandRecall += c.recall;
        agreement += agree;
        incrementalMax = std::max(incrementalMax, i.cpu);
    }
};

void printTotals(const QString& name, const Totals& t, bool withCommand)
{
    const double n = qMax(1, t.frames);
    print("%-10s %3d  full %6.3f s  incremental %6.3f s (max %6.3f, %5.3f x full)", qPrintable(name), t.frames,
          t.full / n, t.incremental / n, t.incrementalMax, t.full > 0 ? t.incremental / t.full : 0.0);
    if (withCommand)
        print("  command %6.3f s", t.command / n);
    print("  recall full %5.1f %%  incremental %5.1f %%", 100 * t.fullRecall / n, 100 * t.incrementalRecall / n);
    if (withCommand)
        print("  command %5.1f %%", 100 * t.commandRecall / n);
    print("  agreement %5.1f %%\n", 100 * t.agreement / n);
}

// The recorded day, continued by an endless one past its end, cut to `frames`.
QList<DaySequence::Frame> dayOf(int frames)
{
    DaySequence day(1);
    QList<DaySequence::Frame> sequence = day.recordedDay();
    for (int i = int(sequence.size()); i < frames; ++i)
        sequence.append(day.next(i));
    return sequence.mid(0, frames);
}

void recordedDay(TesseractRecognizer& recognizer, const TextSearchSettings& settings, int frames, bool withCommand,
                 const QString& imageDir)
{
    const QList<DaySequence::Frame> sequence = dayOf(frames);

    IncrementalTextReader reader;
    Totals all;
    QMap<DaySequence::Kind, Totals> byKind;
    print("frame kind       full s  incr s  cmd s   lines read  recall full incr cmd  agreement\n");
    for (int i = 0; i < sequence.size(); ++i) {
        const DaySequence::Frame& frame = sequence[i];
        const Bitmap bitmap = toBitmap(frame.image);
        const Measure full = readFull(recognizer, bitmap, settings, frame.words);
        const Measure incremental = readIncrementally(recognizer, reader, bitmap, settings, frame.words);
        Measure command;
        if (withCommand) {
            const QString path = imageDir + QStringLiteral("/day-%1.png").arg(i, 3, 10, QLatin1Char('0'));
            frame.image.save(path);
            command = readWithCommand(path, frame.words);
        }
        // How much of the full read's text the incremental read has.
        const double agreement = WordRecall::recall(WordRecall::tokens(full.text), incremental.text);
        const IncrementalTextReader::Report report = reader.lastReport();
        print("%5d %-9s %7.3f %7.3f %7.3f %5d/%-5d %5.1f %5.1f %5.1f  %5.1f%s\n", i,
              qPrintable(DaySequence::kindName(frame.kind)), full.cpu, incremental.cpu, command.cpu, report.linesRead,
              report.lines, 100 * full.recall, 100 * incremental.recall, 100 * command.recall, 100 * agreement,
              report.kind == IncrementalTextReader::ReadKind::Full ? "  (full read)" : "");
        all.add(full, incremental, command, agreement);
        byKind[frame.kind].add(full, incremental, command, agreement);
    }
    print("\nper capture, processor seconds and word recall:\n");
    for (auto it = byKind.cbegin(); it != byKind.cend(); ++it)
        printTotals(DaySequence::kindName(it.key()), it.value(), withCommand);
    printTotals(QStringLiteral("all"), all, withCommand);
    const double n = qMax(1, all.frames);
    print("\ntargets: incremental %.3f x full (<= 0.2); identical frame max %.1f ms (< 20); recall %+.1f points "
          "against full (>= -1)\n",
          all.incremental / all.full, 1000 * byKind.value(DaySequence::Kind::Identical).incrementalMax,
          100 * (all.incrementalRecall - all.fullRecall) / n);
}

// Decodes the frames the bulk runs read (PNG through Qt: the benchmark needs no other format).
class FrameCodec : public ImageCodec
{
public:
    Result<QByteArray> encode(const Bitmap&, ScreenshotFormat, double) override
    {
        return Result<QByteArray>::failure(QStringLiteral("not needed"));
    }
    Result<Bitmap> decode(const QByteArray& data) override
    {
        const QImage image = QImage::fromData(data);
        return image.isNull() ? Result<Bitmap>::failure(QStringLiteral("no image")) : Result<Bitmap>(toBitmap(image));
    }
    Result<Bitmap> decodeFile(const QString& path) override
    {
        const QImage image(path);
        return image.isNull() ? Result<Bitmap>::failure(QStringLiteral("no image")) : Result<Bitmap>(toBitmap(image));
    }
};

// Reads the frames saved as files with a bulk run of `workers`, as a day
// folder of one display's screenshots (read as sequences) and as files of
// other names (each read whole, as every file was before).
void bulkRuns(TesseractRecognizer& recognizer, const TextSearchSettings& settings, int frames, int workers,
              const QString& imageDir)
{
    const QList<DaySequence::Frame> sequence = dayOf(frames);
    const QString dayFolder = imageDir + QStringLiteral("/bulk/2026-01-05"),
                  other = imageDir + QStringLiteral("/bulk/other");
    QDir().mkpath(dayFolder);
    QDir().mkpath(other);
    QStringList named, plain;
    for (int i = 0; i < sequence.size(); ++i) {
        named.append(dayFolder
                     + QStringLiteral("/Momentra_2026-01-05_%1-%2-00.png")
                           .arg(9 + i / 60, 2, 10, QLatin1Char('0'))
                           .arg(i % 60, 2, 10, QLatin1Char('0')));
        plain.append(other + QStringLiteral("/frame-%1.png").arg(i, 3, 10, QLatin1Char('0')));
        sequence[i].image.save(named.last());
        QFile::copy(named.last(), plain.last());
    }
    FrameCodec codec;
    const LiveTextSearchSettings live(settings);
    print("\nbulk runs over %d frames, %d workers:\n", int(sequence.size()), workers);
    for (const auto& [name, paths] : {std::pair{"each file whole", plain}, std::pair{"day folder", named}}) {
        QElapsedTimer wall;
        wall.start();
        const double before = processCpuSeconds();
        const StopFlag stop;
        const BulkTextReader::Outcome outcome =
            BulkTextReader({&codec, &recognizer, workers, nullptr}).readAll(paths, live, stop, {});
        const double cpu = processCpuSeconds() - before;
        double recall = 0;
        for (int i = 0; i < paths.size(); ++i)
            recall += WordRecall::recall(sequence[i].words, TextMetadata::readText(paths[i]).value_or(QString()));
        print("%-16s read %3d failed %d  processor %7.1f s (%.3f s a file)  wall %6.1f s  recall %5.1f %%\n", name,
              outcome.read, outcome.failed, cpu, cpu / paths.size(), wall.elapsed() / 1000.0,
              100 * recall / paths.size());
    }
}

void longRun(TesseractRecognizer& recognizer, const TextSearchSettings& settings, int frames)
{
    DaySequence day(2);
    IncrementalTextReader reader;
    double cpu = 0;
    print("\nlong run: %d frames read incrementally\n", frames);
    for (int i = 0; i < frames; ++i) {
        const DaySequence::Frame frame = day.next(i);
        cpu += readIncrementally(recognizer, reader, toBitmap(frame.image), settings, frame.words).cpu;
        if (i == 0 || (i + 1) % 100 == 0)
            print("frame %5d  resident %7.1f MB  line cache %6.2f MB (bound %.0f MB)  cpu %.3f s per frame\n", i + 1,
                  residentMegabytes(), reader.cachedBytes(kDisplay) / (1024.0 * 1024.0),
                  IncrementalTextReader::kLineCacheBytes / (1024.0 * 1024.0), cpu / (i + 1));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Momentra recorded-day OCR benchmark"));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("frames"), QStringLiteral("Frames of the recorded day (default 60)."),
                      QStringLiteral("n"), QStringLiteral("60")});
    parser.addOption({QStringLiteral("long"), QStringLiteral("Then read n frames incrementally, reporting memory."),
                      QStringLiteral("n"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("bulk"),
                      QStringLiteral("Then read n frames as files with bulk runs, whole and as a day folder."),
                      QStringLiteral("n"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("workers"), QStringLiteral("Workers of the bulk runs (default 2)."),
                      QStringLiteral("n"), QStringLiteral("2")});
    parser.addOption({QStringLiteral("fast"), QStringLiteral("Read at Fast (default Accurate).")});
    parser.addOption({QStringLiteral("no-command"), QStringLiteral("Skip the tesseract command.")});
    parser.addOption(
        {QStringLiteral("keep"), QStringLiteral("Save the frames into this folder."), QStringLiteral("dir")});
    parser.process(app);

    QTemporaryDir temp;
    const QString imageDir = parser.isSet(QStringLiteral("keep")) ? parser.value(QStringLiteral("keep")) : temp.path();
    QDir().mkpath(imageDir);
    const TextSearchSettings settings{parser.isSet(QStringLiteral("fast")) ? TextRecognitionLevel::Fast
                                                                           : TextRecognitionLevel::Accurate,
                                      std::nullopt, false};
    TesseractRecognizer recognizer;
    recognizer.recognize(Bitmap::filled(64, 64, 0xffffffff), settings, QDeadlineTimer(60000));  // engine start

    const int frames = parser.value(QStringLiteral("frames")).toInt();
    if (frames > 0)
        recordedDay(recognizer, settings, frames, !parser.isSet(QStringLiteral("no-command")), imageDir);
    const int bulkFrames = parser.value(QStringLiteral("bulk")).toInt();
    if (bulkFrames > 0)
        bulkRuns(recognizer, settings, bulkFrames, parser.value(QStringLiteral("workers")).toInt(), imageDir);
    const int longFrames = parser.value(QStringLiteral("long")).toInt();
    if (longFrames > 0)
        longRun(recognizer, settings, longFrames);
    return 0;
}
