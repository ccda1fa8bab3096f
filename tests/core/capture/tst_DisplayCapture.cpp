#include "core/capture/DisplayCapture.h"
#include "core/library/LibraryLayout.h"
#include "support/core/CaptureEngineFakes.h"

#include <QtTest>

namespace {

const QDateTime kNow(QDate(2024, 5, 1), QTime(9, 30, 0));

QString identityOf(const DisplayInfo& display)
{
    return LibraryLayout::displayIdentity(display.facts);
}

}  // namespace

class DisplayCaptureTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    CaptureConfiguration m_config;
    FakeScreenSource m_source;
    TestCodec m_codec;
    const DisplayInfo m_panel = FakeScreenSource::display(1, 10, 10, true);
    const DisplayInfo m_external = FakeScreenSource::display(2, 20, 10);

    QString dayFolder() const { return m_config.folder + QStringLiteral("/2024-05-01"); }
    QStringList dayFolderEntries() const { return QDir(dayFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

private Q_SLOTS:
    void init()
    {
        m_config = CaptureConfiguration{};
        m_config.folder = m_dir.filePath(QStringLiteral("shots-%1").arg(QRandomGenerator::global()->generate()));
        m_config.format = ScreenshotFormat::Jpeg;
        m_source.clearFailures();
        m_source.setDisplays({m_panel, m_external});
        m_codec.fails = false;
    }

    // New displays are numbered built-in, main, then the others; stored numbers are kept, even for a display
    // that is gone. New screenshots go to text search, with their images, only when it is on.
    void writesOneFilePerDisplayInOrdinalOrder()
    {
        // Listed as the service lists them: an external, the main, the built-in panel.
        const DisplayInfo external = FakeScreenSource::display(30, 640, 360);
        const DisplayInfo main = FakeScreenSource::display(20, 800, 600, false, true);
        const DisplayInfo panel = FakeScreenSource::display(10, 320, 200, true);
        m_source.setDisplays({external, main, panel});
        QStringList written;
        RecordingTextSink sink;
        DisplayCapture capture(m_source, m_codec, &sink);
        const CaptureTickResult result = capture.capture(m_config, kNow, &written);

        QCOMPARE(result, CaptureTickResult::success(
                             3, {{identityOf(panel), 1}, {identityOf(main), 2}, {identityOf(external), 3}}));
        QCOMPARE(dayFolderEntries(),
                 (QStringList{"Momentra_2024-05-01_09-30-00.jpeg", "Momentra_2024-05-01_09-30-00_Display2.jpeg",
                              "Momentra_2024-05-01_09-30-00_Display3.jpeg"}));
        const QList<DisplayInfo> byOrdinal{panel, main, external};
        QCOMPARE(written.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(written[i], dayFolder() + QLatin1Char('/') + dayFolderEntries()[i]);
            const auto image = m_codec.decodeFile(written[i]);
            QVERIFY2(image.ok(), qPrintable(image.error()));
            QCOMPARE(QSize(image->width, image->height), QSize(byOrdinal[i].width, byOrdinal[i].height));
        }

        QVERIFY(sink.batches.isEmpty());

        m_config.displayOrdinals = {{identityOf(external), 1}, {QStringLiteral("edid:9-9-9"), 2}};
        m_config.textSearch = TextSearchSettings{TextRecognitionLevel::Fast, QStringLiteral("de"), true};
        QCOMPARE(capture.capture(m_config, kNow.addSecs(1), &written),
                 CaptureTickResult::success(
                     3, {{identityOf(external), 1}, {"edid:9-9-9", 2}, {identityOf(panel), 3}, {identityOf(main), 4}}));
        QCOMPARE(written.mid(3), (QStringList{dayFolder() + "/Momentra_2024-05-01_09-30-01.jpeg",
                                              dayFolder() + "/Momentra_2024-05-01_09-30-01_Display3.jpeg",
                                              dayFolder() + "/Momentra_2024-05-01_09-30-01_Display4.jpeg"}));
        QCOMPARE(sink.settings, QList<TextSearchSettings>{*m_config.textSearch});
        QCOMPARE(sink.batches.first().size(), 3);
        QCOMPARE(sink.batches.first()[2].filePath, written[5]);
        QCOMPARE(sink.batches.first()[2].image.width, main.width);
    }

    // What fails, and the tick result it becomes. Nothing half-written and no temporary file is left, and only
    // what was written goes to text search; when the display list fails, no day folder is made (files -1).
    void failuresBecomeTheRightResult_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("files");
        QTest::newRow("second display") << "2" << true << "Couldn't capture display 2: X went away 2" << 1;
        QTest::newRow("both, first message wins") << "21" << false << "X went away 1" << 0;
        QTest::newRow("encoder") << "encoder" << false << "Failed to encode screenshot." << 0;
        QTest::newRow("display list") << "content" << false << "Cannot open display :0" << -1;
        QTest::newRow("no displays") << "none" << false << "No displays available to capture." << -1;
    }
    void failuresBecomeTheRightResult()
    {
        QFETCH(QString, failing);
        QFETCH(bool, success);
        QFETCH(QString, message);
        QFETCH(int, files);
        if (failing == QLatin1String("none"))
            m_source.setDisplays({});
        for (const QChar c : failing)
            if (c.isDigit())
                m_source.failDisplay(quint32(c.digitValue()), QStringLiteral("X went away %1").arg(c));
        if (failing == QLatin1String("content"))
            m_source.failContent(message);
        m_codec.fails = failing == QLatin1String("encoder");

        RecordingTextSink sink;
        m_config.textSearch = TextSearchSettings{};
        const CaptureTickResult result = DisplayCapture(m_source, m_codec, &sink).capture(m_config, kNow);
        QCOMPARE(sink.batches.size(), files > 0 ? 1 : 0);
        if (success)
            QVERIFY(result.isSuccess() && result.message() == message && result.count() == files);
        else
            QCOMPARE(result, CaptureTickResult::failure(message));
        if (files < 0)
            QVERIFY(!QFileInfo::exists(dayFolder()));
        else
            QCOMPARE(dayFolderEntries().size(), files);
    }

    void chosenDisplay()
    {
        DisplayCapture capture(m_source, m_codec);
        const QMap<QString, int> ordinals{{identityOf(m_panel), 1}, {identityOf(m_external), 2}};
        m_config.onlyDisplay = ChosenDisplay{identityOf(m_external), QStringLiteral("Studio Display")};
        QCOMPARE(capture.capture(m_config, kNow), CaptureTickResult::success(1, ordinals));
        QCOMPARE(dayFolderEntries(), QStringList{"Momentra_2024-05-01_09-30-00_Display2.jpeg"});

        m_config.onlyDisplay = ChosenDisplay{QStringLiteral("edid:1-2-3"), QStringLiteral("Gone")};
        QVERIFY(QDir(dayFolder()).removeRecursively());
        QCOMPARE(capture.capture(m_config, kNow), CaptureTickResult::displayMissing(ordinals));
        QVERIFY(!QFileInfo::exists(dayFolder()));
    }

    // Buffers kept for the next capture go back when it is far away.
    void idleBuffersGoBack_data()
    {
        QTest::addColumn<double>("interval");
        QTest::addColumn<int>("releases");
        QTest::newRow("a minute apart") << 60.0 << 1;
        QTest::newRow("two seconds apart") << 2.0 << 0;
    }
    void idleBuffersGoBack()
    {
        QFETCH(double, interval);
        QFETCH(int, releases);
        m_config.intervalSeconds = interval;
        const int before = m_source.releases();
        DisplayCapture(m_source, m_codec).capture(m_config, kNow);
        QCOMPARE(m_source.releases() - before, releases);
    }

    void requestSize_data()
    {
        QTest::addColumn<bool>("halfSize");
        QTest::addColumn<int>("logicalWidth");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("pixel size") << false << 1440 << QSize(2880, 1800);
        QTest::newRow("half size on a scaled desktop") << true << 1440 << QSize(1440, 900);
        QTest::newRow("half size on an unscaled desktop") << true << 2880 << QSize(2880, 1800);
        QTest::newRow("half size without a logical size") << true << 0 << QSize(2880, 1800);
    }
    void requestSize()
    {
        QFETCH(bool, halfSize);
        QFETCH(int, logicalWidth);
        DisplayInfo display = FakeScreenSource::display(1, 2880, 1800);
        display.logicalWidth = logicalWidth;
        display.logicalHeight = logicalWidth ? 900 : 0;
        m_config.capturesHalfSize = halfSize;
        m_config.excludedAppIds = {QStringLiteral("org.keepassxc.KeePassXC")};
        const DisplayCaptureRequest request = DisplayCapture::requestFor(m_config, display);
        QTEST(QSize(request.outputWidth, request.outputHeight), "expected");
        QCOMPARE(request.excludedAppIds, m_config.excludedAppIds);
    }
};

QTEST_GUILESS_MAIN(DisplayCaptureTest)
#include "tst_DisplayCapture.moc"
