#include "media/FfmpegVideoWriter.h"
#include "media/YuvConverter.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

// The colour conversion, and the writer's files read back by FFmpeg's own tools.
class FfmpegVideoWriterTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable("ffprobe").isEmpty() && !QStandardPaths::findExecutable("ffmpeg").isEmpty(),
                 "ffprobe and ffmpeg are needed to check videos: install the Debian package \"ffmpeg\"");
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
            QVERIFY2(std::abs(cb[i] - u) <= 1 && std::abs(cr[i] - v) <= 1, qPrintable(QString("%1/%2").arg(cb[i]).arg(cr[i])));
    }

    // An odd size is rounded up to even with a black edge; the file is private.
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
        ffprobe.start("ffprobe", {"-v", "error", "-count_frames", "-show_streams", "-show_format", "-of", "json", path});
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
    }

    void neverReplacesAFile()
    {
        const QString path = m_dir.filePath("taken.mp4");
        QFile taken(path);
        QVERIFY(taken.open(QIODevice::WriteOnly) && taken.write("keep me") == 7);
        taken.close();
        FfmpegVideoWriter writer;
        QVERIFY(!writer.create(path, 64, 48));
        QVERIFY(!writer.errorString().isEmpty());
        QCOMPARE(QFileInfo(path).size(), 7);
    }
};

QTEST_GUILESS_MAIN(FfmpegVideoWriterTest)
#include "tst_FfmpegVideoWriter.moc"
