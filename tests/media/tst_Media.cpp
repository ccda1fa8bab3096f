#include "core/textsearch/IncrementalTextReader.h"
#include "media/FfmpegVideoWriter.h"
#include "media/MediaModule.h"
#include "media/TesseractRecognizer.h"
#include "media/TextImagePreparation.h"
#include "media/YuvConverter.h"
#include "media/image/MediaImageCodec.h"
#include "media/modules/ModuleEntries.h"
#include "support/TextSearchFixtures.h"

#include <QtTest>

#include <atomic>
#include <ctime>
#include <thread>
#include <vector>

namespace {

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

int threadCount()
{
    return int(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Four flat quadrants (red, green, blue, white), so that channel swaps, flips and offsets all show, in rows
// with padding as shared-memory captures have.
Bitmap quadrants(int width, int height, quint32 alpha = 0xFF)
{
    Bitmap image{width, height, width * 4 + 8, QByteArray((width * 4 + 8) * height, char(0x7F))};
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.row(y));
        for (int x = 0; x < width; ++x) {
            const bool left = x < width / 2, top = y < height / 2;
            row[x] = alpha << 24 | (top ? (left ? 0xE02020 : 0x20C040) : (left ? 0x2040E0 : 0xFFFFFF));
        }
    }
    return image;
}

// Largest difference of any colour channel between two pixels.
int distance(quint32 a, quint32 b)
{
    return qMax(qMax(qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b))), qAbs(qBlue(a) - qBlue(b)));
}

}  // namespace

// Still images through the image codec; the colour conversion for video, and
// the video writer's files read back by FFmpeg's own tools; text recognition.
class MediaTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    TesseractRecognizer m_recognizer;

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* tool : {"ffprobe", "ffmpeg"})
            QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(), "Debian package ffmpeg is missing");
        const QStringList languages = m_recognizer.supportedLanguages(TextRecognitionLevel::Fast);
        QVERIFY2(languages.contains("eng"),
                 "English text recognition data is missing: install the Debian package tesseract-ocr-eng");
        QVERIFY(!languages.contains("osd"));  // orientation data, not a language
    }

    void roundTripKeepsSizeAndColours_data()
    {
        QTest::addColumn<ScreenshotFormat>("format");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<int>("alpha");  // PNG keeps half-transparent pixels
        QTest::newRow("png") << ScreenshotFormat::Png << 64 << 48 << 0 << 0x80;
        QTest::newRow("jpeg odd") << ScreenshotFormat::Jpeg << 33 << 17 << 12 << 0xFF;
        QTest::newRow("heic odd") << ScreenshotFormat::Heic << 67 << 35 << 16 << 0xFF;
    }
    void roundTripKeepsSizeAndColours()
    {
        QFETCH(ScreenshotFormat, format);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, tolerance);
        QFETCH(int, alpha);
        MediaImageCodec codec;
        const Bitmap original = quadrants(width, height, alpha);
        const auto encoded = codec.encode(original, format, 0.9);
        QVERIFY2(encoded.ok(), qPrintable(encoded.error()));
        QFile file(m_dir.filePath("misnamed.gif"));  // read by content, not by name
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(*encoded) == encoded->size());
        file.close();
        const auto decoded = codec.decodeFile(file.fileName());
        QVERIFY2(decoded.ok(), qPrintable(decoded.error()));
        QCOMPARE(QSize(decoded->width, decoded->height), QSize(width, height));
        // Sample the middle of each quadrant, away from edges that lossy codecs blur.
        for (const QPoint p : {QPoint(width / 4, height / 4), QPoint(width * 3 / 4, height / 4),
                               QPoint(width / 4, height * 3 / 4), QPoint(width * 3 / 4, height * 3 / 4)}) {
            const quint32 want = original.pixel(p.x(), p.y()), got = decoded->pixel(p.x(), p.y());
            QVERIFY2(distance(want, got) <= tolerance,
                     qPrintable(QString("%1 vs %2").arg(want, 8, 16).arg(got, 8, 16)));
            QCOMPARE(qAlpha(got), alpha);
        }
        QVERIFY(!codec.encode(Bitmap{}, format, 0.6).ok());
        const auto missing = codec.decodeFile("/nonexistent/Momentra_x.jpeg");
        QVERIFY(!missing.ok() && missing.error().contains("/nonexistent/Momentra_x.jpeg"));
        if (tolerance == 0)
            return;
        Bitmap noisy{128, 128, 512, QByteArray(128 * 512, 0)};  // lossy: a lower quality gives a smaller file
        QRandomGenerator(1).fillRange(reinterpret_cast<quint32*>(noisy.pixels.data()), 128 * 128);
        const auto low = codec.encode(noisy, format, 0.2), high = codec.encode(noisy, format, 0.95);
        QVERIFY(low.ok() && high.ok());
        QVERIFY2(low->size() < high->size(), qPrintable(QString("%1 vs %2").arg(low->size()).arg(high->size())));
    }

    void unreadableInputFails_data()
    {
        QTest::addColumn<QByteArray>("data");
        MediaImageCodec codec;
        const Bitmap image = quadrants(40, 30);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("hello, this is not an image at all");
        for (ScreenshotFormat format : {ScreenshotFormat::Png, ScreenshotFormat::Jpeg, ScreenshotFormat::Heic}) {
            const QByteArray whole = codec.encode(image, format, 0.8).value();
            QTest::newRow(qPrintable(ScreenshotFormats::rawValue(format) + " truncated"))
                << whole.left(whole.size() / 2);
            QTest::newRow(qPrintable(ScreenshotFormats::rawValue(format) + " header only")) << whole.left(16);
        }
    }
    void unreadableInputFails()
    {
        QFETCH(QByteArray, data);
        const auto decoded = MediaImageCodec().decode(data);
        QVERIFY(!decoded.ok() && !decoded.error().isEmpty());
    }

    // A header of a few bytes claiming a huge picture is refused before any memory is taken for it.
    void hugeHeaderIsRefused()
    {
        QByteArray jpeg = MediaImageCodec().encode(quadrants(16, 16), ScreenshotFormat::Jpeg, 0.8).value();
        const qsizetype frame = jpeg.indexOf("\xFF\xC0");  // baseline frame header: length, precision, height, width
        QVERIFY(frame > 0);
        for (const auto& [offset, value] : {std::pair{5, 27000}, std::pair{7, 25000}}) {
            jpeg[frame + offset] = char(value >> 8);
            jpeg[frame + offset + 1] = char(value & 0xFF);
        }
        const auto decoded = MediaImageCodec().decode(jpeg);
        QVERIFY2(!decoded.ok() && decoded.error().contains("unusable size"), qPrintable(decoded.error()));
    }

    // A module that isn't there: every use fails with the reason, nothing crashes.
    void missingModuleIsReported()
    {
        MediaModule module("absent");
        QVERIFY(module.entry(kCreateTextRecognizer) == nullptr);
        QVERIFY2(module.errorString().startsWith("Couldn't load momentra-absent.so"), qPrintable(module.errorString()));
        MediaModule tesseract("tesseract");  // there, but without the writer's entry
        QVERIFY(tesseract.entry(kCreateTextRecognizer) != nullptr);
        QVERIFY(tesseract.entry(kCreateVideoWriter) == nullptr);
        QCOMPARE(tesseract.errorString(), QString("momentra-tesseract.so has no momentra_create_video_writer."));
    }

    // BT.709 limited range: the reference values of the standard, ±1 for rounding. A block's chroma is the
    // mean of its four pixels: with blue at the top right of red, the top-left pixel alone gives 102/240,
    // the top row 171/179.
    void convertsToBt709_data()
    {
        QTest::addColumn<quint32>("argb");  // every pixel but the top right one of each 2×2 block
        QTest::addColumn<quint32>("topRight");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("yTopRight");
        QTest::addColumn<int>("u");
        QTest::addColumn<int>("v");
        QTest::newRow("black") << 0xFF000000u << 0xFF000000u << 16 << 16 << 128 << 128;
        QTest::newRow("white") << 0xFFFFFFFFu << 0xFFFFFFFFu << 235 << 235 << 128 << 128;
        QTest::newRow("red") << 0xFFFF0000u << 0xFFFF0000u << 63 << 63 << 102 << 240;
        QTest::newRow("blue") << 0xFF0000FFu << 0xFF0000FFu << 32 << 32 << 240 << 118;
        QTest::newRow("blue at the top right of red") << 0xFFFF0000u << 0xFF0000FFu << 63 << 32 << 137 << 209;
    }

    void convertsToBt709()
    {
        QFETCH(quint32, argb);
        QFETCH(quint32, topRight);
        QFETCH(int, y);
        QFETCH(int, yTopRight);
        QFETCH(int, u);
        QFETCH(int, v);
        const int width = 6, height = 4, stride = width * 4 + 8;  // padded rows
        std::vector<uint8_t> bgra(size_t(stride) * height, 0x55);
        for (int row = 0; row < height; ++row)
            for (int x = 0; x < width; ++x)
                std::memcpy(&bgra[size_t(row) * stride + size_t(x) * 4], row % 2 == 0 && x % 2 ? &topRight : &argb, 4);
        std::vector<uint8_t> luma(size_t(width) * height), cb(size_t(width / 2) * (height / 2)), cr(cb.size());
        YuvConverter::bgraToI420(bgra.data(), stride, width, height, luma.data(), width, cb.data(), width / 2,
                                 cr.data(), width / 2);
        for (size_t i = 0; i < luma.size(); ++i) {
            const int want = (i / width) % 2 == 0 && i % 2 ? yTopRight : y;
            QVERIFY2(std::abs(luma[i] - want) <= 1, qPrintable(QString("luma %1: %2").arg(i).arg(luma[i])));
        }
        for (size_t i = 0; i < cb.size(); ++i)
            QVERIFY2(qAbs(cb[i] - u) <= 1 && qAbs(cr[i] - v) <= 1, qPrintable(QString("%1/%2").arg(cb[i]).arg(cr[i])));
    }

    // An odd size is rounded up to even with a black edge; the file is private and never replaced.
    void writesPrivateH264WithEvenSize()
    {
        const QString path = m_dir.filePath("odd.mp4");
        FfmpegVideoWriter writer;
        QVERIFY(writer.create(path, 33, 25));
        QVERIFY(writer.startWriting(2));
        for (int i = 0; i < 3; ++i)
            QVERIFY(writer.append(Bitmap::filled(33, 25, 0xffffffff), QRect(0, 0, 33, 25)));
        QVERIFY2(writer.finishWriting(), qPrintable(writer.errorString()));

        QProcess ffprobe;
        ffprobe.start("ffprobe", {"-count_frames", "-show_streams", "-show_format", "-of", "json", path});
        QVERIFY(ffprobe.waitForFinished(60000));
        const QJsonObject facts = QJsonDocument::fromJson(ffprobe.readAllStandardOutput()).object();
        const QJsonObject stream = facts["streams"][0].toObject();
        QCOMPARE(stream["codec_name"].toString(), "h264");
        QCOMPARE(stream["pix_fmt"].toString(), "yuv420p");
        QCOMPARE(QSize(stream["width"].toInt(), stream["height"].toInt()), QSize(34, 26));
        QCOMPARE(stream["r_frame_rate"].toString(), "2/1");
        QCOMPARE(stream["nb_read_frames"].toString(), "3");
        const double duration = facts["format"]["duration"].toString().toDouble();
        QVERIFY2(std::abs(duration - 1.5) < 0.05, qPrintable(QString::number(duration)));
        QCOMPARE(QFile::permissions(path) & 0x0077, QFileDevice::Permissions());
        const QString frame = m_dir.filePath("frame.png");
        QCOMPARE(QProcess::execute("ffmpeg", {"-v", "error", "-i", path, "-frames:v", "1", frame}), 0);
        QVERIFY(QImage(frame).pixelColor(16, 12).lightness() > 215);
        QVERIFY(QImage(frame).pixelColor(33, 12).lightness() < 70);

        const qint64 size = QFileInfo(path).size();  // an existing file is never replaced
        FfmpegVideoWriter again;
        QVERIFY(!again.create(path, 64, 48) && !again.errorString().isEmpty());
        QCOMPARE(QFileInfo(path).size(), size);
    }

    void readsRenderedText_data()
    {
        using L = TextRecognitionLevel;
        QTest::addColumn<TextSearchSettings>("settings");
        QTest::addColumn<bool>("dark");
        QTest::newRow("accurate light") << TextSearchSettings{L::Accurate, {}, false} << false;
        QTest::newRow("fast dark") << TextSearchSettings{L::Fast, {}, false} << true;
        QTest::newRow("accurate with dictionaries") << TextSearchSettings{L::Accurate, {}, true} << false;
        QTest::newRow("unknown language falls back to automatic")
            << TextSearchSettings{L::Fast, QString("xx_notinstalled"), false} << false;
    }

    void readsRenderedText()
    {
        QFETCH(TextSearchSettings, settings);
        QFETCH(bool, dark);
        const QImage image = TextSearchFixtures::renderText(
            {"Quarterly invoice summary", "Meeting with the London team"}, dark);
        const TextReadResult result = m_recognizer.recognizeWithin(TextSearchFixtures::toBitmap(image), settings, 60);
        QVERIFY2(result.ok(), qPrintable(result.message()));
        for (const char* word : {"Quarterly", "invoice", "summary", "Meeting", "London", "team"})
            QVERIFY2(result.text().contains(QLatin1String(word)), qPrintable(result.text()));
        QCOMPARE(result.text().count(QLatin1Char('\n')), 1);  // one line per line of text
    }

    // After a line changed or a scroll a screen read line by line says what a full read of it says, reading one line.
    void incrementalReadMatchesFullRead_data()
    {
        using L = TextRecognitionLevel;
        const QStringList lines{"Quarterly invoice summary", "Meeting with the London team", "Budget review on Friday",
                                "Release notes for the new version"};
        QTest::addColumn<TextSearchSettings>("settings");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("accurate light, line edited")
            << TextSearchSettings{L::Accurate, {}, false} << false << lines
            << QStringList{lines[0], lines[1], "Budget review on Monday", lines[3]};
        QTest::newRow("fast dark, line edited") << TextSearchSettings{L::Fast, {}, false} << true << lines
                                                << QStringList{lines[0], lines[1], "Budget review on Monday", lines[3]};
        QTest::newRow("accurate light, scrolled by a line") << TextSearchSettings{L::Accurate, {}, false} << false
                                                            << lines << (lines.mid(1) << "Budget review on Monday");
        QTest::newRow("fast dark, scrolled back by a line")
            << TextSearchSettings{L::Fast, {}, false} << true << lines
            << (QStringList{"Budget review on Monday"} + lines.mid(0, 3));
    }
    void incrementalReadMatchesFullRead()
    {
        QFETCH(TextSearchSettings, settings);
        QFETCH(bool, dark);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        IncrementalTextReader reader;
        const auto first = m_recognizer.preparePage(
            TextSearchFixtures::toBitmap(TextSearchFixtures::renderText(before, dark)), settings);
        QVERIFY(reader.read("screen", *first, settings, QDeadlineTimer(60000)).ok());
        const Bitmap changed = TextSearchFixtures::toBitmap(TextSearchFixtures::renderText(after, dark));
        const auto next = m_recognizer.preparePage(changed, settings);
        const TextReadResult incremental = reader.read("screen", *next, settings, QDeadlineTimer(60000));
        QCOMPARE(reader.lastReport().kind, IncrementalTextReader::ReadKind::Lines);
        QCOMPARE(reader.lastReport().linesRead, 1);
        QCOMPARE(incremental.text(), m_recognizer.recognize(changed, settings, QDeadlineTimer(60000)).text());
        QVERIFY2(incremental.text().contains("Monday"), qPrintable(incremental.text()));
    }

    void automaticLanguages_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QStringList>("ui");
        QTest::addColumn<QStringList>("chosen");
        const QStringList installed{"chi_sim", "deu", "eng", "fra"};
        QTest::newRow("german desktop") << installed << QStringList{"de-DE", "de"} << QStringList{"deu", "eng"};
        QTest::newRow("chinese, then french")
            << installed << QStringList{"zh-Hans-CN", "fr-FR"} << QStringList{"chi_sim", "fra", "eng"};
        QTest::newRow("not installed") << installed << QStringList{"ja-JP"} << QStringList{"eng"};
        QTest::newRow("no english data") << QStringList{"deu"} << QStringList{"en-US"} << QStringList{};
    }

    void automaticLanguages()
    {
        QFETCH(QStringList, installed);
        QFETCH(QStringList, ui);
        QTEST(TesseractRecognizer::automaticLanguages(installed, ui), "chosen");
    }

    void darkPanelsAreInverted()
    {
        // A light page with a dark side panel: only the panel's tiles turn over.
        QImage image = TextSearchFixtures::renderText({"light page"}, false, QSize(640, 320));
        const QImage panel = TextSearchFixtures::renderText({"dark panel"}, true, QSize(320, 320));
        for (int y = 0; y < 320; ++y)
            for (int x = 0; x < 320; ++x)
                image.setPixel(x, y, panel.pixel(x, y));
        const auto gray = TextImagePreparation::prepare(TextSearchFixtures::toBitmap(image), 1.0, true);
        QCOMPARE(gray.invertedTiles, 10 * 10);
        const auto* pixels = reinterpret_cast<const uchar*>(gray.pixels.constData());
        QVERIFY(pixels[300 * 640 + 5] > 200);    // panel background, now light
        QVERIFY(pixels[300 * 640 + 600] > 200);  // page background, unchanged
    }

    // A page that takes seconds of processor time to read completely: cut short by the deadline, then read
    // whole by the same engine, on the calling thread alone.
    void deadlineStopsTheEngineOnOneThread()
    {
        using namespace TextSearchFixtures;
        const Bitmap page = toBitmap(renderText(denseLines(60), false, QSize(1400, 1800), 16));
        const TextSearchSettings fast{TextRecognitionLevel::Fast, {}, false};
        double start = threadCpuSeconds();
        const TextReadResult cut = m_recognizer.recognizeWithin(page, fast, 0.3);
        const double cutCpu = threadCpuSeconds() - start;
        QVERIFY(cut.isTimedOut() && cut.text().isEmpty());

        const int before = threadCount();
        std::atomic<bool> running{true};
        std::atomic<int> most{0};
        std::thread sampler([&] {
            while (running) {
                most = std::max(most.load(), threadCount());
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        start = threadCpuSeconds();
        const TextReadResult whole = m_recognizer.recognizeWithin(page, fast, 300);
        const double wholeCpu = threadCpuSeconds() - start;
        running = false;
        sampler.join();
        QVERIFY(whole.ok() && whole.text().count(QLatin1Char('\n')) > 40);
        QCOMPARE(most.load(), before + 1);  // only the sampler was added
        QVERIFY2(cutCpu < wholeCpu / 2, qPrintable(QStringLiteral("%1 s of %2 s").arg(cutCpu).arg(wholeCpu)));
    }
};

QTEST_MAIN(MediaTest)
#include "tst_Media.moc"
