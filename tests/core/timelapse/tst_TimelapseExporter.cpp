#include "core/timelapse/TimelapseExporter.h"
#include "media/FfmpegVideoWriter.h"
#include "support/TimelapseTestCodec.h"
#include "support/TimelapseVideoProbe.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString shot(const QString& time, int display = 1, const QString& ext = QStringLiteral("jpeg"))
{
    return QStringLiteral("Momentra_") + time + (display == 1 ? QString() : QStringLiteral("_Display%1").arg(display))
           + QLatin1Char('.') + ext;
}

bool isNear(const QColor& actual, const QColor& expected, int tolerance = 40)
{
    return std::abs(actual.red() - expected.red()) <= tolerance
           && std::abs(actual.green() - expected.green()) <= tolerance
           && std::abs(actual.blue() - expected.blue()) <= tolerance;
}

}  // namespace

class TimelapseExporterTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    std::shared_ptr<TimelapseTestCodec> m_codec;
    std::unique_ptr<TimelapseExporter> m_exporter;
    QList<TimelapseProgress> m_reports;

    QString library() const { return m_root.path(); }
    QString day(const QString& name)
    {
        QDir(library()).mkpath(name);
        return library() + QLatin1Char('/') + name;
    }
    void addShot(const QString& dayName, const QString& time, int display = 1, QSize size = {64, 48},
                 const QColor& colour = Qt::blue)
    {
        TimelapseTestCodec::writeImage(day(dayName) + QLatin1Char('/') + shot(dayName + QLatin1Char('_') + time, display),
                                       size, colour);
    }
    TimelapseExporter::Outcome run(const QStringList& days, int fps = 12,
                                   TimelapseExporter::CancelPredicate isCancelled = [] { return false; })
    {
        QList<QUrl> folders;
        for (const QString& name : days)
            folders.append(QUrl::fromLocalFile(library() + QLatin1Char('/') + name));
        m_reports.clear();
        return m_exporter->exportDays(folders, fps, isCancelled,
                                      [this](const TimelapseProgress& p) { m_reports.append(p); });
    }
    static QStringList fileNames(const QList<QUrl>& urls)
    {
        QStringList names;
        for (const QUrl& url : urls)
            names.append(url.fileName());
        return names;
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString missing = TimelapseVideoProbe::missingTools();
        if (!missing.isEmpty())
            QFAIL(qPrintable(missing));
    }

    void init()
    {
        QVERIFY(m_root.isValid());
        for (const QString& entry : QDir(library()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
            QDir(library() + QLatin1Char('/') + entry).removeRecursively();
            QFile::remove(library() + QLatin1Char('/') + entry);
        }
        m_codec = std::make_shared<TimelapseTestCodec>();
        m_exporter = std::make_unique<TimelapseExporter>(
            m_codec, [] { return std::make_unique<FfmpegVideoWriter>(); });
    }

    void framesByDisplay_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("display");  // 0: ignored
        QTest::newRow("first display") << "Momentra_2024-05-01_10-00-00.jpeg" << 1;
        QTest::newRow("second display") << "Momentra_2024-05-01_10-00-00_Display2.heic" << 2;
        QTest::newRow("any extension") << "Momentra_2024-05-01_10-00-00_Display12.txt" << 12;
        QTest::newRow("no extension") << "Momentra_2024-05-01_10-00-00" << 1;
        QTest::newRow("empty number") << "Momentra_2024-05-01_10-00-00_Display.jpeg" << 0;
        QTest::newRow("not a number") << "Momentra_2024-05-01_10-00-00_DisplayX.jpeg" << 0;
        QTest::newRow("not a date") << "Momentra_notadate.png" << 0;
        QTest::newRow("other prefix") << "Screenshot_2024-05-01_10-00-00.png" << 0;
        QTest::newRow("impossible time") << "Momentra_2024-05-01_25-00-00.png" << 0;
        QTest::newRow("hidden") << ".Momentra_2024-05-01_10-00-00.png" << 0;
        QTest::newRow("marker in prefix") << "Momentra_Display2" << 0;
    }

    void framesByDisplay()
    {
        QFETCH(QString, name);
        QFETCH(int, display);
        const QString folder = day(QStringLiteral("2024-05-01"));
        QFile file(folder + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const auto frames = TimelapseExporter::framesByDisplay(QUrl::fromLocalFile(folder));
        if (display == 0) {
            QVERIFY2(frames.isEmpty(), qPrintable(name));
            return;
        }
        QCOMPARE(frames.keys(), QList<int>{display});
        QCOMPARE(frames.value(display).size(), 1);
        QCOMPARE(frames.value(display).first().timestamp, QDateTime(QDate(2024, 5, 1), QTime(10, 0)));
    }

    void unreadableFolderHasNoFrames()
    {
        QVERIFY(TimelapseExporter::framesByDisplay(QUrl::fromLocalFile(library() + "/missing")).isEmpty());
    }

    void fitRect_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("same") << QSize(1920, 1080) << QSize(1920, 1080) << QRect(0, 0, 1920, 1080);
        QTest::newRow("smaller, same shape") << QSize(1920, 1080) << QSize(960, 540) << QRect(0, 0, 1920, 1080);
        QTest::newRow("narrower") << QSize(64, 48) << QSize(32, 32) << QRect(8, 0, 48, 48);
        QTest::newRow("wider") << QSize(100, 100) << QSize(200, 50) << QRect(0, 38, 100, 25);  // 37.5 → 38
        QTest::newRow("half pixel width") << QSize(5, 2) << QSize(1, 1) << QRect(2, 0, 2, 2);  // (5-2)/2 = 1.5 → 2
        QTest::newRow("too thin to draw") << QSize(1920, 1080) << QSize(10000, 1) << QRect(0, 540, 1920, 0);
        QTest::newRow("empty image") << QSize(64, 48) << QSize(0, 10) << QRect();
    }

    void fitRect()
    {
        QFETCH(QSize, frame);
        QFETCH(QSize, image);
        QFETCH(QRect, expected);
        QCOMPARE(TimelapseExporter::fitRect(frame, image), expected);
    }

    void twoDisplaysGiveTwoVideos()
    {
        addShot("2024-05-01", "10-00-00");
        addShot("2024-05-01", "10-00-00", 2);
        addShot("2024-05-01", "10-01-00");
        addShot("2024-05-01", "10-01-00", 2);
        addShot("2024-05-01", "10-02-00", 2);

        const auto outcome = run({"2024-05-01"});
        QVERIFY(std::holds_alternative<TimelapseExportResult>(outcome));
        const auto& result = std::get<TimelapseExportResult>(outcome);
        QCOMPARE(fileNames(result.outputURLs),
                 QStringList({"Momentra_2024-05-01.mp4", "Momentra_2024-05-01_Display2.mp4"}));
        QVERIFY(!result.wasCancelled);
        QVERIFY(result.skippedDays.isEmpty());
        const auto first = TimelapseVideoProbe::probe(result.outputURLs[0].toLocalFile());
        const auto second = TimelapseVideoProbe::probe(result.outputURLs[1].toLocalFile());
        QCOMPARE(first.codec, QStringLiteral("h264"));
        QCOMPARE(first.pixelFormat, QStringLiteral("yuv420p"));
        QCOMPARE(first.frameRate, QStringLiteral("12/1"));
        QCOMPARE(first.size, QSize(64, 48));
        QCOMPARE(first.frames, 2);
        QCOMPARE(second.frames, 3);
        // Videos are private like the screenshots they come from.
        QCOMPARE(QFile::permissions(result.outputURLs[0].toLocalFile()) & 0x0077, QFileDevice::Permissions());

        const QList<TimelapseProgress> expected = {{1, 5, 1, 2}, {2, 5, 1, 2}, {3, 5, 2, 2}, {4, 5, 2, 2}, {5, 5, 2, 2}};
        QCOMPARE(m_reports, expected);
    }

    void severalDaysMakeOneVideoWithLabelAndSkippedDays()
    {
        addShot("2024-05-03", "09-00-00");
        addShot("2024-05-01", "10-00-00");
        addShot("2024-05-01", "08-00-00");
        day("2024-05-02");
        const auto outcome = run({"2024-05-03", "2024-05-02", "2024-05-01"});
        const auto& result = std::get<TimelapseExportResult>(outcome);
        QCOMPARE(fileNames(result.outputURLs), QStringList{"Momentra_2024-05-01_to_2024-05-03.mp4"});
        QCOMPARE(result.skippedDays, QStringList{"2024-05-02"});
        QCOMPARE(TimelapseVideoProbe::probe(result.outputURLs[0].toLocalFile()).frames, 3);
        // Written beside the day folders, never inside.
        QCOMPARE(QFileInfo(result.outputURLs[0].toLocalFile()).absolutePath(), QFileInfo(library()).absoluteFilePath());

        const auto lastEmpty = std::get<TimelapseExportResult>(run({"2024-05-02", "2024-05-01"}));
        QCOMPARE(fileNames(lastEmpty.outputURLs), QStringList{"Momentra_2024-05-01.mp4"});
    }

    void existingNamesGetAttemptNumberForAllVideos()
    {
        addShot("2024-05-01", "10-00-00");
        addShot("2024-05-01", "10-00-00", 2);
        QFile taken(library() + "/Momentra_2024-05-01_Display2.mp4");
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.write("keep me");
        taken.close();

        auto result = std::get<TimelapseExportResult>(run({"2024-05-01"}));
        QCOMPARE(fileNames(result.outputURLs),
                 QStringList({"Momentra_2024-05-01 2.mp4", "Momentra_2024-05-01_Display2 2.mp4"}));
        result = std::get<TimelapseExportResult>(run({"2024-05-01"}));
        QCOMPARE(fileNames(result.outputURLs),
                 QStringList({"Momentra_2024-05-01 3.mp4", "Momentra_2024-05-01_Display2 3.mp4"}));
        QVERIFY(taken.open(QIODevice::ReadOnly));
        QCOMPARE(taken.readAll(), QByteArray("keep me"));
    }

    void frameRateBelowOneIsOne_data()
    {
        QTest::addColumn<int>("fps");
        QTest::addColumn<QString>("rate");
        QTest::newRow("zero") << 0 << "1/1";
        QTest::newRow("thirty") << 30 << "30/1";
    }

    void frameRateBelowOneIsOne()
    {
        QFETCH(int, fps);
        QFETCH(QString, rate);
        addShot("2024-05-01", "10-00-00");
        addShot("2024-05-01", "10-00-01");
        addShot("2024-05-01", "10-00-02");
        const auto result = std::get<TimelapseExportResult>(run({"2024-05-01"}, fps));
        const auto facts = TimelapseVideoProbe::probe(result.outputURLs[0].toLocalFile());
        QCOMPARE(facts.frameRate, rate);
        QCOMPARE(facts.frames, 3);
        QVERIFY2(std::abs(facts.duration - 3.0 / std::max(fps, 1)) < 0.05, qPrintable(QString::number(facts.duration)));
    }

    void corruptFirstFileGivesNoFrameAndNoGap()
    {
        const QString folder = day("2024-05-01");
        QFile corrupt(folder + "/" + shot("2024-05-01_09-00-00"));
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write("\xff\xd8 this is not a JPEG");
        corrupt.close();
        addShot("2024-05-01", "10-00-00", 1, {80, 60});
        addShot("2024-05-01", "11-00-00", 1, {80, 60});
        const auto result = std::get<TimelapseExportResult>(run({"2024-05-01"}, 2));
        const auto facts = TimelapseVideoProbe::probe(result.outputURLs[0].toLocalFile());
        QCOMPARE(facts.size, QSize(80, 60));
        QCOMPARE(facts.frames, 2);
        QVERIFY2(std::abs(facts.duration - 1.0) < 0.05, qPrintable(QString::number(facts.duration)));
        QCOMPARE(m_reports.last().completedFrames, 3);  // skipped frames count as handled
    }

    void noDecodableFrames()
    {
        const QString folder = day("2024-05-01");
        QFile corrupt(folder + "/" + shot("2024-05-01_09-00-00"));
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.close();
        QCOMPARE(std::get<TimelapseError>(run({"2024-05-01"})), TimelapseError::noFrames(1));
        QVERIFY(!QFile::exists(library() + "/Momentra_2024-05-01.mp4"));
    }

    void smallerFramesAreLetterboxedInBlack()
    {
        addShot("2024-05-01", "10-00-00", 1, {64, 48}, Qt::blue);
        addShot("2024-05-01", "10-00-01", 1, {32, 32}, Qt::red);  // fits as 48×48 at x = 8
        addShot("2024-05-01", "10-00-02", 1, {128, 96}, Qt::green);  // scaled down to fill
        const auto result = std::get<TimelapseExportResult>(run({"2024-05-01"}));
        const QString video = result.outputURLs[0].toLocalFile();
        const QSize size(64, 48);
        QCOMPARE(TimelapseVideoProbe::probe(video).frames, 3);

        const QByteArray red = TimelapseVideoProbe::decodeFrameRgb(video, 1, size);
        QVERIFY(!red.isEmpty());
        for (int y : {4, 24, 44}) {
            QVERIFY2(isNear(TimelapseVideoProbe::pixel(red, size, 2, y), Qt::black), "left bar");
            QVERIFY2(isNear(TimelapseVideoProbe::pixel(red, size, 61, y), Qt::black), "right bar");
        }
        QVERIFY(isNear(TimelapseVideoProbe::pixel(red, size, 40, 30), Qt::red, 60));
        QVERIFY(isNear(TimelapseVideoProbe::pixel(red, size, 11, 24), Qt::red, 60));  // just inside the left edge

        const QByteArray green = TimelapseVideoProbe::decodeFrameRgb(video, 2, size);
        QVERIFY(isNear(TimelapseVideoProbe::pixel(green, size, 2, 44), Qt::green, 60));
        QVERIFY(isNear(TimelapseVideoProbe::pixel(green, size, 61, 44), Qt::green, 60));
    }

    void oddSizesAreRoundedUpWithBlackEdge()
    {
        addShot("2024-05-01", "10-00-00", 1, {33, 25}, Qt::white);
        const auto result = std::get<TimelapseExportResult>(run({"2024-05-01"}));
        const QString video = result.outputURLs[0].toLocalFile();
        QCOMPARE(TimelapseVideoProbe::probe(video).size, QSize(34, 26));
        const QByteArray rgb = TimelapseVideoProbe::decodeFrameRgb(video, 0, {34, 26});
        QVERIFY(isNear(TimelapseVideoProbe::pixel(rgb, {34, 26}, 16, 12), Qt::white));
        QVERIFY(isNear(TimelapseVideoProbe::pixel(rgb, {34, 26}, 33, 12), Qt::black, 70));
    }

    void cancelInsideVideoRemovesPartialFile()
    {
        for (int i = 0; i < 6; ++i) {
            addShot("2024-05-01", QStringLiteral("10-00-0%1").arg(i));
            addShot("2024-05-01", QStringLiteral("10-00-0%1").arg(i), 2);
        }
        int asked = 0;
        // The first video asks 1 + 6 times, then a cancel on the third frame of the second.
        const auto outcome = run({"2024-05-01"}, 12, [&] { return ++asked > 10; });
        const auto& result = std::get<TimelapseExportResult>(outcome);
        QVERIFY(result.wasCancelled);
        QCOMPARE(fileNames(result.outputURLs), QStringList{"Momentra_2024-05-01.mp4"});
        QCOMPARE(TimelapseVideoProbe::probe(result.outputURLs[0].toLocalFile()).frames, 6);
        QVERIFY(!QFile::exists(library() + "/Momentra_2024-05-01_Display2.mp4"));
    }

    void writerRefusesExistingOrUnreachableFiles()
    {
        const QString existing = library() + "/taken.mp4";
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        file.close();
        FfmpegVideoWriter writer;
        QVERIFY(!writer.create(existing, 64, 48));
        QVERIFY2(writer.errorString().contains("File exists"), qPrintable(writer.errorString()));
        QCOMPARE(QFileInfo(existing).size(), 7);

        FfmpegVideoWriter other;
        QVERIFY(!other.create(library() + "/missing/out.mp4", 64, 48));
        QVERIFY2(other.errorString().contains("No such file"), qPrintable(other.errorString()));
    }
};

QTEST_GUILESS_MAIN(TimelapseExporterTest)
#include "tst_TimelapseExporter.moc"
