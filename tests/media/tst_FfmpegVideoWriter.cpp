#include "media/FfmpegVideoWriter.h"
#include "support/TimelapseVideoProbe.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The writer's files read back by FFmpeg's own tools.
class FfmpegVideoWriterTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY2(TimelapseVideoProbe::missingTools().isEmpty(), qPrintable(TimelapseVideoProbe::missingTools())); }

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

        const auto facts = TimelapseVideoProbe::probe(path);
        QCOMPARE(facts.codec, QStringLiteral("h264"));
        QCOMPARE(facts.pixelFormat, QStringLiteral("yuv420p"));
        QCOMPARE(facts.size, QSize(34, 26));
        QCOMPARE(facts.frameRate, QStringLiteral("2/1"));
        QCOMPARE(facts.frames, 3);
        QVERIFY2(std::abs(facts.duration - 1.5) < 0.05, qPrintable(QString::number(facts.duration)));
        QCOMPARE(QFile::permissions(path) & 0x0077, QFileDevice::Permissions());
        const QByteArray rgb = TimelapseVideoProbe::decodeFrameRgb(path, 0, {34, 26});
        QVERIFY(TimelapseVideoProbe::pixel(rgb, {34, 26}, 16, 12).lightness() > 215);
        QVERIFY(TimelapseVideoProbe::pixel(rgb, {34, 26}, 33, 12).lightness() < 70);
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
