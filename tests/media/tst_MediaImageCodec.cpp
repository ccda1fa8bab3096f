#include "media/image/MediaImageCodec.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Four flat quadrants (red, green, blue, white) with a dark diagonal, so that
// channel swaps, flips and offsets all show.
Bitmap quadrants(int width, int height)
{
    Bitmap image = Bitmap::filled(width, height, 0xFFFFFFFF);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.row(y));
        for (int x = 0; x < width; ++x) {
            const bool left = x < width / 2, top = y < height / 2;
            row[x] = top ? (left ? 0xFFE02020 : 0xFF20C040) : (left ? 0xFF2040E0 : 0xFFFFFFFF);
        }
    }
    return image;
}

int channel(quint32 pixel, int shift) { return int((pixel >> shift) & 0xFF); }

// Largest difference of any colour channel between two pixels.
int distance(quint32 a, quint32 b)
{
    int worst = 0;
    for (int shift : {0, 8, 16})
        worst = qMax(worst, qAbs(channel(a, shift) - channel(b, shift)));
    return worst;
}

}  // namespace

class MediaImageCodecTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripKeepsSizeAndColours_data()
    {
        QTest::addColumn<ScreenshotFormat>("format");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("png") << ScreenshotFormat::Png << 64 << 48 << 0;
        QTest::newRow("jpeg odd") << ScreenshotFormat::Jpeg << 33 << 17 << 12;
        QTest::newRow("heic odd") << ScreenshotFormat::Heic << 67 << 35 << 16;
    }
    void roundTripKeepsSizeAndColours()
    {
        QFETCH(ScreenshotFormat, format);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, tolerance);
        MediaImageCodec codec;
        const Bitmap original = quadrants(width, height);
        const auto encoded = codec.encode(original, format, 0.9);
        QVERIFY2(encoded.ok(), qPrintable(encoded.error()));
        const auto decoded = codec.decode(encoded.value());
        QVERIFY2(decoded.ok(), qPrintable(decoded.error()));
        QCOMPARE(QSize(decoded->width, decoded->height), QSize(width, height));
        // Sample the middle of each quadrant, away from edges that lossy codecs blur.
        for (const QPoint p : {QPoint(width / 4, height / 4), QPoint(width * 3 / 4, height / 4),
                               QPoint(width / 4, height * 3 / 4), QPoint(width * 3 / 4, height * 3 / 4)}) {
            const quint32 want = original.pixel(p.x(), p.y()), got = decoded->pixel(p.x(), p.y());
            QVERIFY2(distance(want, got) <= tolerance, qPrintable(QString("%1 vs %2").arg(want, 8, 16).arg(got, 8, 16)));
            QCOMPARE(channel(got, 24), 255);
        }
        QVERIFY(!codec.encode(Bitmap{}, format, 0.6).ok());
        if (tolerance == 0)
            return;
        Bitmap noisy = Bitmap::filled(128, 128, 0);  // lossy: a lower quality gives a smaller file
        quint32 seed = 1;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                reinterpret_cast<quint32*>(noisy.row(y))[x] = 0xFF000000 | ((seed = seed * 1664525u + 1013904223u) >> 8);
        const auto low = codec.encode(noisy, format, 0.2), high = codec.encode(noisy, format, 0.95);
        QVERIFY(low.ok() && high.ok());
        QVERIFY2(low->size() < high->size(), qPrintable(QString("%1 vs %2").arg(low->size()).arg(high->size())));
    }

    // Half-transparent pixels in rows with padding, as shared-memory captures have.
    void pngKeepsTransparencyAndHonoursRowStride()
    {
        MediaImageCodec codec;
        Bitmap padded{10, 4, 64, QByteArray(64 * 4, char(0x7F))};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 10; ++x)
                reinterpret_cast<quint32*>(padded.row(y))[x] = 0x80102030;
        const auto decoded = codec.decode(codec.encode(padded, ScreenshotFormat::Png, 0).value());
        QVERIFY(decoded.ok());
        QCOMPARE(decoded->pixel(9, 3), 0x80102030u);
    }

    void decodesByContentNotByName()
    {
        MediaImageCodec codec;
        QTemporaryDir dir;
        const QString path = dir.filePath("misnamed.png");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(codec.encode(quadrants(20, 10), ScreenshotFormat::Jpeg, 0.8).value());
        file.close();
        const auto decoded = codec.decodeFile(path);
        QVERIFY2(decoded.ok(), qPrintable(decoded.error()));
        QCOMPARE(decoded->width, 20);
        const auto missing = codec.decodeFile("/nonexistent/Momentra_x.jpeg");
        QVERIFY(!missing.ok() && missing.error().contains("/nonexistent/Momentra_x.jpeg"));
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
            QTest::newRow(qPrintable(ScreenshotFormats::rawValue(format) + " header only"))
                << whole.left(16);
        }
    }
    void unreadableInputFails()
    {
        QFETCH(QByteArray, data);
        const auto decoded = MediaImageCodec().decode(data);
        QVERIFY(!decoded.ok() && !decoded.error().isEmpty());
    }
};

QTEST_GUILESS_MAIN(MediaImageCodecTest)
#include "tst_MediaImageCodec.moc"
