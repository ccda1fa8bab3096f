#include "core/capture/CaptureEngineFakes.h"
#include "core/capture/DisplayCapture.h"
#include "core/capture/LibraryLayout.h"
#include "media/image/MediaImageCodec.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QDateTime kNow(QDate(2024, 5, 1), QTime(9, 30, 0));

QString identityOf(const DisplayInfo& display) { return LibraryLayout::displayIdentity(display.facts); }

}  // namespace

class DisplayCaptureTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_folder;
    CaptureConfiguration m_config;

    QString dayFolder() const { return m_folder + QStringLiteral("/2024-05-01"); }
    QStringList dayFolderEntries() const
    {
        return QDir(dayFolder()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

private Q_SLOTS:
    void init()
    {
        m_folder = m_dir.filePath(QStringLiteral("shots-%1").arg(QRandomGenerator::global()->generate()));
        m_config = CaptureConfiguration{};
        m_config.folder = m_folder;
        m_config.format = ScreenshotFormat::Jpeg;
    }

    void writesOneFilePerDisplayInOrdinalOrder()
    {
        FakeScreenSource source;
        // Listed as the service lists them: an external, the main, the built-in panel.
        const DisplayInfo external = FakeScreenSource::display(30, 640, 360);
        const DisplayInfo main = FakeScreenSource::display(20, 800, 600, false, true);
        const DisplayInfo panel = FakeScreenSource::display(10, 320, 200, true);
        source.setDisplays({external, main, panel});
        MediaImageCodec codec;
        DisplayCapture capture(source, codec);
        QStringList written;

        const CaptureTickResult result = capture.capture(m_config, kNow, &written);

        const QMap<QString, int> ordinals{{identityOf(panel), 1}, {identityOf(main), 2}, {identityOf(external), 3}};
        QCOMPARE(result, CaptureTickResult::success(3, ordinals));
        QCOMPARE(dayFolderEntries(), (QStringList{QStringLiteral("Momentra_2024-05-01_09-30-00.jpeg"),
                                                  QStringLiteral("Momentra_2024-05-01_09-30-00_Display2.jpeg"),
                                                  QStringLiteral("Momentra_2024-05-01_09-30-00_Display3.jpeg")}));
        QCOMPARE(written.size(), 3);
        const QList<DisplayInfo> byOrdinal{panel, main, external};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(written[i], dayFolder() + QLatin1Char('/') + dayFolderEntries()[i]);
            const auto image = codec.decodeFile(written[i]);
            QVERIFY2(image.ok(), qPrintable(image.error()));
            QCOMPARE(image->width, byOrdinal[i].width);
            QCOMPARE(image->height, byOrdinal[i].height);
            const quint32 want = FakeScreenSource::colourFor(byOrdinal[i].facts.displayNumber);
            const quint32 got = image->pixel(image->width / 2, image->height / 2);
            for (int shift : {0, 8, 16})
                QVERIFY(qAbs(int((want >> shift) & 0xFF) - int((got >> shift) & 0xFF)) <= 6);
        }
    }

    void storedOrdinalsAreKept()
    {
        FakeScreenSource source;
        const DisplayInfo a = FakeScreenSource::display(1, 10, 10, true);
        const DisplayInfo b = FakeScreenSource::display(2, 10, 10);
        source.setDisplays({a, b});
        FakeImageCodec codec;
        m_config.displayOrdinals = {{identityOf(b), 1}, {QStringLiteral("edid:9-9-9"), 2}};
        m_config.jpegQuality = 0.35;
        const CaptureTickResult result = DisplayCapture(source, codec).capture(m_config, kNow);
        QCOMPARE(codec.lastQuality.load(), 0.35);
        QCOMPARE(result, CaptureTickResult::success(2, {{identityOf(b), 1}, {QStringLiteral("edid:9-9-9"), 2},
                                                        {identityOf(a), 3}}));
        QVERIFY(QFile::exists(dayFolder() + QStringLiteral("/Momentra_2024-05-01_09-30-00_Display3.jpeg")));
        QVERIFY(QFile::exists(dayFolder() + QStringLiteral("/Momentra_2024-05-01_09-30-00.jpeg")));
    }

    void failuresBecomeTheRightResult_data()
    {
        QTest::addColumn<QList<quint32>>("failing");
        QTest::addColumn<bool>("encoderFails");
        QTest::addColumn<QString>("expectedKind");
        QTest::addColumn<QString>("expectedMessage");
        QTest::addColumn<int>("expectedFiles");
        QTest::newRow("second fails") << QList<quint32>{2} << false << "success"
                                      << "Couldn't capture display 2: X went away" << 1;
        QTest::newRow("all fail, first message wins") << QList<quint32>{2, 1} << false << "failure"
                                                      << "X went away 1" << 0;
        QTest::newRow("encoder fails") << QList<quint32>{} << true << "failure" << "Failed to encode screenshot."
                                       << 0;
    }
    void failuresBecomeTheRightResult()
    {
        QFETCH(QList<quint32>, failing);
        QFETCH(bool, encoderFails);
        QFETCH(QString, expectedKind);
        QFETCH(QString, expectedMessage);
        QFETCH(int, expectedFiles);
        FakeScreenSource source;
        source.setDisplays({FakeScreenSource::display(1, 10, 10, true), FakeScreenSource::display(2, 10, 10)});
        for (quint32 number : failing)
            source.failDisplay(number, number == 2 && failing.size() == 1 ? QStringLiteral("X went away")
                                                                          : QStringLiteral("X went away %1").arg(number));
        FakeImageCodec codec;
        codec.fails = encoderFails;

        const CaptureTickResult result = DisplayCapture(source, codec).capture(m_config, kNow);

        QCOMPARE(result.isSuccess() ? QStringLiteral("success") : QStringLiteral("failure"), expectedKind);
        QCOMPARE(result.message(), expectedMessage);
        if (result.isSuccess())
            QCOMPARE(result.count(), expectedFiles);
        // Nothing half-written and no temporary file is left behind.
        QCOMPARE(dayFolderEntries().size(), expectedFiles);
    }

    void serviceFailuresEndTheCapture_data()
    {
        QTest::addColumn<bool>("contentFails");
        QTest::addColumn<QString>("message");
        QTest::newRow("content error") << true << "Cannot open display :0";
        QTest::newRow("no displays") << false << "No displays available to capture.";
    }
    void serviceFailuresEndTheCapture()
    {
        QFETCH(bool, contentFails);
        QFETCH(QString, message);
        FakeScreenSource source;
        if (contentFails)
            source.failContent(message);
        FakeImageCodec codec;
        QCOMPARE(DisplayCapture(source, codec).capture(m_config, kNow), CaptureTickResult::failure(message));
        QVERIFY(!QFileInfo::exists(dayFolder()));
    }

    void chosenDisplay()
    {
        FakeScreenSource source;
        const DisplayInfo a = FakeScreenSource::display(1, 10, 10, true);
        const DisplayInfo b = FakeScreenSource::display(2, 12, 8);
        source.setDisplays({a, b});
        FakeImageCodec codec;
        DisplayCapture capture(source, codec);
        const QMap<QString, int> ordinals{{identityOf(a), 1}, {identityOf(b), 2}};

        m_config.onlyDisplay = ChosenDisplay{identityOf(b), QStringLiteral("Studio Display")};
        QCOMPARE(capture.capture(m_config, kNow), CaptureTickResult::success(1, ordinals));
        QCOMPARE(dayFolderEntries(), QStringList{QStringLiteral("Momentra_2024-05-01_09-30-00_Display2.jpeg")});

        m_config.onlyDisplay = ChosenDisplay{QStringLiteral("edid:1-2-3"), QStringLiteral("Gone")};
        QVERIFY(QDir(dayFolder()).removeRecursively());
        QCOMPARE(capture.capture(m_config, kNow), CaptureTickResult::displayMissing(ordinals));
        QVERIFY(!QFileInfo::exists(dayFolder()));
    }

    void requestFollowsTheSettings_data()
    {
        QTest::addColumn<bool>("halfSize");
        QTest::addColumn<int>("logicalWidth");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("pixel size") << false << 1440 << QSize(2880, 1800);
        QTest::newRow("half size on a scaled desktop") << true << 1440 << QSize(1440, 900);
        QTest::newRow("half size on an unscaled desktop") << true << 2880 << QSize(2880, 1800);
        QTest::newRow("half size without a logical size") << true << 0 << QSize(2880, 1800);
    }
    void requestFollowsTheSettings()
    {
        QFETCH(bool, halfSize);
        QFETCH(int, logicalWidth);
        QFETCH(QSize, expected);
        DisplayInfo display = FakeScreenSource::display(1, 2880, 1800);
        display.logicalWidth = logicalWidth;
        display.logicalHeight = logicalWidth ? 900 : 0;
        m_config.capturesHalfSize = halfSize;
        m_config.showsCursor = true;
        m_config.hidesNotifications = true;
        m_config.excludedBundleIDs = {QStringLiteral("org.keepassxc.KeePassXC")};
        const DisplayCaptureRequest request = DisplayCapture::requestFor(m_config, display);
        QCOMPARE(QSize(request.outputWidth, request.outputHeight), expected);
        QVERIFY(request.showsCursor);
        QVERIFY(request.hidesNotifications);
        QVERIFY(!request.hidesDesktopIcons);
        QCOMPARE(request.excludedAppIds, m_config.excludedBundleIDs);
    }

    void newScreenshotsGoToTextSearchOnlyWhenItIsOn()
    {
        FakeScreenSource source;
        source.setDisplays({FakeScreenSource::display(1, 10, 10, true), FakeScreenSource::display(2, 20, 10)});
        FakeImageCodec codec;
        RecordingTextSink sink;
        DisplayCapture capture(source, codec, &sink);
        capture.capture(m_config, kNow);
        QVERIFY(sink.batches.isEmpty());

        m_config.textSearch = TextSearchSettings{TextRecognitionLevel::Fast, QStringLiteral("de"), true};
        capture.capture(m_config, kNow.addSecs(1));
        QCOMPARE(sink.batches.size(), 1);
        QCOMPARE(sink.settings.first(), *m_config.textSearch);
        const QList<CapturedImage> batch = sink.batches.first();
        QCOMPARE(batch.size(), 2);
        QCOMPARE(batch[0].filePath, dayFolder() + QStringLiteral("/Momentra_2024-05-01_09-30-01.jpeg"));
        QCOMPARE(batch[1].filePath, dayFolder() + QStringLiteral("/Momentra_2024-05-01_09-30-01_Display2.jpeg"));
        QCOMPARE(batch[1].image.width, 20);

        source.failDisplay(1, QStringLiteral("gone"));
        source.failDisplay(2, QStringLiteral("gone"));
        capture.capture(m_config, kNow.addSecs(2));
        QCOMPARE(sink.batches.size(), 1);  // nothing written, nothing handed on
    }
};

QTEST_GUILESS_MAIN(DisplayCaptureTest)
#include "tst_DisplayCapture.moc"
