#include "media/YuvConverter.h"

#include <QtTest>

#include <vector>

class YuvConverterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // BT.709 limited range: the reference values of the standard, ±1 for rounding.
    void knownColours_data()
    {
        QTest::addColumn<quint32>("argb");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("u");
        QTest::addColumn<int>("v");
        QTest::newRow("black") << 0xFF000000u << 16 << 128 << 128;
        QTest::newRow("white") << 0xFFFFFFFFu << 235 << 128 << 128;
        QTest::newRow("red") << 0xFFFF0000u << 63 << 102 << 240;
        QTest::newRow("blue") << 0xFF0000FFu << 32 << 240 << 118;
    }

    void knownColours()
    {
        QFETCH(quint32, argb);
        QFETCH(int, y);
        QFETCH(int, u);
        QFETCH(int, v);
        const int width = 6, height = 4, stride = width * 4 + 8;  // padded rows
        std::vector<uint8_t> bgra(size_t(stride) * height, 0x55);
        for (int row = 0; row < height; ++row)
            for (int x = 0; x < width; ++x)
                std::memcpy(&bgra[size_t(row) * stride + size_t(x) * 4], &argb, 4);
        std::vector<uint8_t> luma(size_t(width) * height), cb(size_t(width / 2) * (height / 2)), cr(cb.size());
        YuvConverter::bgraToI420(bgra.data(), stride, width, height, luma.data(), width, cb.data(), width / 2,
                                 cr.data(), width / 2);
        for (uint8_t value : luma)
            QVERIFY2(std::abs(value - y) <= 1, qPrintable(QString::number(value)));
        for (uint8_t value : cb)
            QVERIFY2(std::abs(value - u) <= 1, qPrintable(QString::number(value)));
        for (uint8_t value : cr)
            QVERIFY2(std::abs(value - v) <= 1, qPrintable(QString::number(value)));
    }

    // Red, blue over red, red: the block's chroma is the mean of all four
    // (the top-left pixel alone gives 102/240, the top row 171/179).
    void chromaIsTheMeanOfFourPixels()
    {
        const quint32 pixels[4] = {0xFFFF0000, 0xFF0000FF, 0xFFFF0000, 0xFFFF0000};
        uint8_t luma[4], cb, cr;
        YuvConverter::bgraToI420(reinterpret_cast<const uint8_t*>(pixels), 8, 2, 2, luma, 2, &cb, 1, &cr, 1);
        QVERIFY2(std::abs(luma[1] - 32) <= 1 && std::abs(luma[2] - 63) <= 1, "luma keeps every pixel");
        QVERIFY2(std::abs(cb - 137) <= 1, qPrintable(QString::number(cb)));
        QVERIFY2(std::abs(cr - 209) <= 1, qPrintable(QString::number(cr)));
    }
};

QTEST_GUILESS_MAIN(YuvConverterTest)
#include "tst_YuvConverter.moc"
