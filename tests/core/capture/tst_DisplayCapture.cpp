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

    // What fails, and the tick result it becomes. Nothing half-written and no
    // temporary file is left behind; when the display list fails, no day folder
    // is made (files -1).
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
        FakeScreenSource source;
        if (failing != QLatin1String("none"))
            source.setDisplays({FakeScreenSource::display(1, 10, 10, true), FakeScreenSource::display(2, 10, 10)});
        for (const QChar c : failing)
            if (c.isDigit())
                source.failDisplay(quint32(c.digitValue()), QStringLiteral("X went away %1").arg(c));
        if (failing == QLatin1String("content"))
            source.failContent(message);
        FakeImageCodec codec;
        codec.fails = failing == QLatin1String("encoder");

        const CaptureTickResult result = DisplayCapture(source, codec).capture(m_config, kNow);

        if (success) {
            QVERIFY(result.isSuccess());
            QCOMPARE(result.message(), message);
            QCOMPARE(result.count(), files);
        } else {
            QCOMPARE(result, CaptureTickResult::failure(message));
        }
        if (files < 0)
            QVERIFY(!QFileInfo::exists(dayFolder()));
        else
            QCOMPARE(dayFolderEntries().size(), files);
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
