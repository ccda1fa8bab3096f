#include "support/core/EventLogWatcher.h"
#include "support/core/ScriptedRecognizer.h"
#include "support/core/TestCodec.h"
#include "support/core/TestHome.h"

#include "core/textsearch/BinaryPlist.h"
#include "core/textsearch/LiveTextReader.h"
#include "core/textsearch/TextMetadata.h"
#include "core/textsearch/TextSearchController.h"
#include "core/textsearch/TextSearchScan.h"

#include <QtTest>

#include <sys/xattr.h>

using Counts = TextSearchController::Counts;

namespace {

QString make(const QString& path, const QByteArray& content = "\x89PNG\r\n\x1a\n-not-really")
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

QString shot(const QString& root, const QString& day, const QString& time, const QString& ext = "png")
{
    return QStringLiteral("%1/%2/Momentra_%2_%3.%4").arg(root, day, time, ext);
}

const QString kFirstTimeout = "Reading a screenshot's text took over 15 seconds; trying once more";
const QString kSecondTimeout = "Reading a screenshot's text timed out twice; left unread";

// Screenshot n is an image n pixels wide, so a recogniser can tell them apart.
QList<CapturedImage> shots(const QTemporaryDir& dir, QList<int> widths)
{
    QList<CapturedImage> list;
    for (int width : widths) {
        const QString path = dir.filePath(QString("Momentra_2024-05-01_10-00-%1.png").arg(width, 2, 10, QChar('0')));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        list.append({Bitmap::filled(width, 1, 0xffffffff), path});
    }
    return list;
}

// A reader over the recogniser with the live time limit.
std::unique_ptr<LiveTextReader> readerOver(ScriptedRecognizer& recognizer, EventLog& log)
{
    return std::make_unique<LiveTextReader>(
        [&recognizer](const Bitmap& image, const TextSearchSettings& settings) {
            return recognizer.recognizeWithin(image, settings, 15);
        },
        log);
}

}  // namespace

// Reading text in bulk and in the background of capture.
class TestTextSearch : public QObject
{
    Q_OBJECT

    TestHome m_home;
    TestCodec m_codec;

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void captureFolderScanCountsOwnScreenshots()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        const QString unread = make(shot(root, "2024-05-01", "10-00-00"));
        const QString fast = make(shot(root, "2024-05-01", "09-00-00"));
        const QString accurate = make(shot(root, "2024-05-01", "11-00-00"));
        const QString foreignText = make(shot(root, "2024-05-01", "12-00-00", "JPG"));
        const QString older = make(shot(root, "2024-04-30", "23-59-59_Display2", "heic"));
        TextMetadata::write("a", fast, TextRecognitionLevel::Fast);
        TextMetadata::write("b", accurate, TextRecognitionLevel::Accurate);
        const QByteArray plist = BinaryPlist::encodeString("by another program");
        QVERIFY(::setxattr(QFile::encodeName(foreignText).constData(), TextMetadata::kTextAttribute, plist.constData(),
                           size_t(plist.size()), 0)
                == 0);
        // Not counted: another prefix or extension, a folder, an invalid day, a non-day folder.
        make(root + "/2024-05-01/notes.png");
        make(shot(root, "2024-05-01", "13-00-00", "gif"));
        QDir().mkpath(shot(root, "2024-05-01", "14-00-00"));
        make(shot(root, "2024-13-01", "10-00-00"));
        make(root + "/Timelapses/Momentra_2024-05-01_10-00-00.png");

        const auto forAccurate = TextSearchScan::scanCaptureFolder(root, TextRecognitionLevel::Accurate);
        QCOMPARE(forAccurate.total, 5);
        QCOMPARE(forAccurate.toRead, (QStringList{older, fast, unread}));  // day order, then name order
        QCOMPARE(forAccurate.readWithFast, 1);

        const auto forFast = TextSearchScan::scanCaptureFolder(root, TextRecognitionLevel::Fast);
        QCOMPARE(forFast.total, 5);
        QCOMPARE(forFast.toRead, (QStringList{older, unread}));
        QCOMPARE(forFast.readWithFast, 0);
    }

    void findImagesByContentSkippingHidden()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        QVERIFY(TestCodec::writeFile(root + "/b.png", 8, 8));
        QVERIFY(TestCodec::writeFile(root + "/sub/deeper/photo.dat.jpg", 8, 8));
        QVERIFY(TestCodec::writeFile(root + "/a-no-extension", 8, 8));  // PNG bytes, no name hint
        const QString searchable = root + "/sub/done.png";
        QVERIFY(TestCodec::writeFile(searchable, 8, 8));
        TextMetadata::write("x", searchable, TextRecognitionLevel::Accurate);
        const QString fast = root + "/sub/fast.png";
        QVERIFY(TestCodec::writeFile(fast, 8, 8));
        TextMetadata::write("x", fast, TextRecognitionLevel::Fast);
        QVERIFY(TestCodec::writeNonImage(root + "/text-named.png"));
        QVERIFY(TestCodec::writeFile(root + "/.hidden.png", 8, 8));
        QVERIFY(TestCodec::writeFile(root + "/.cache/inside.png", 8, 8));
        QVERIFY(QFile::link(root + "/b.png", root + "/link.png"));

        const auto accurate = TextSearchScan::findImages(root, TextRecognitionLevel::Accurate);
        QCOMPARE(accurate.imageCount, 5);
        QCOMPARE(accurate.toRead,
                 (QStringList{root + "/a-no-extension", root + "/b.png", root + "/sub/deeper/photo.dat.jpg", fast}));
        QCOMPARE(TextSearchScan::findImages(root, TextRecognitionLevel::Fast).toRead.size(), 3);
    }

    void captureFolderRunUpdatesCounts()
    {
        EventLogWatcher log(m_home.log());
        QTemporaryDir dir;
        const QString root = dir.path();
        QStringList files;
        for (const char* time : {"10-00-00", "10-05-00", "10-10-00"}) {
            files.append(shot(root, "2024-05-01", time));
            QVERIFY(TestCodec::writeFile(files.last(), 8, 8));
        }
        ScriptedRecognizer recognizer;
        TextSearchController controller({&m_codec, &recognizer, 2}, m_home.log());
        controller.refreshCounts(root, TextRecognitionLevel::Fast);
        QTRY_COMPARE(controller.counts(), std::optional<Counts>(Counts{3, 0, 3, 0}));

        QSignalSpy finished(&controller, &TextSearchController::runFinished);
        controller.readCaptureFolder(root, {TextRecognitionLevel::Fast, std::nullopt, false});
        QVERIFY(controller.isRunning());
        controller.readCaptureFolder(root, {TextRecognitionLevel::Accurate, std::nullopt, false});  // ignored
        QVERIFY(finished.wait(20000));
        QCOMPARE(controller.statusText(), std::optional<QString>("Recognized text in 3 screenshots."));
        QCOMPARE(controller.fraction(), 1.0);
        QCOMPARE(controller.counts(), std::optional<Counts>(Counts{3, 3, 0, 0}));  // adjusted at once
        for (const QString& file : files)
            QCOMPARE(TextMetadata::textState(file), TextState::ReadWithFast);

        QCOMPARE(log.count("OCR: reading 3 screenshots (Fast)"), 1);
        QCOMPARE(log.count("OCR: read 3, failed 0"), 1);
    }

    void otherFolderRunAndStop()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("Desktop");
        QDir().mkpath(folder);
        for (int i = 0; i < 4; ++i)
            QVERIFY(TestCodec::writeFile(folder + QStringLiteral("/%1.png").arg(i), 8, 8));
        QVERIFY(TestCodec::writeNonImage(folder + "/9.png"));

        ScriptedRecognizer recognizer;
        TextSearchController controller({&m_codec, &recognizer, 1}, m_home.log());
        QSignalSpy finished(&controller, &TextSearchController::runFinished);
        const QStringList images = TextSearchScan::findImages(folder, TextRecognitionLevel::Fast).toRead;
        // An image that turned out broken is marked "none"; a vanished one counts neither way.
        const QString broken = folder + "/9.png";
        controller.readFolder(folder, images + QStringList{broken, folder + "/gone.png"},
                              {TextRecognitionLevel::Fast, std::nullopt, false});
        QVERIFY(finished.wait(20000));
        QCOMPARE(controller.statusText(),
                 std::optional<QString>(
                     QStringLiteral("Recognized text in 4 images in \u201cDesktop\u201d. Couldn't recognize 1.")));
        QCOMPARE(recognizer.seenWidths().size(), 4);
        QCOMPARE(TextMetadata::readMarker(broken), std::optional<QString>("none"));
        QCOMPARE(TextMetadata::readText(broken), std::optional<QString>(QString()));
        QCOMPARE(TextMetadata::textState(broken), TextState::Searchable);

        // Stop while the first file is being read: that file completes, no other starts.
        QSemaphore started, release;
        recognizer.answer = [&](const Bitmap&, const TextSearchSettings&) {
            started.release();
            release.acquire();
            return TextReadResult::read("late");
        };
        for (const QString& image : images)
            QVERIFY(::removexattr(QFile::encodeName(image).constData(), TextMetadata::kMarkerAttribute) == 0);
        controller.readFolder(folder, images, {TextRecognitionLevel::Fast, std::nullopt, false});
        QVERIFY(QTest::qWaitFor([&] { return started.tryAcquire(); }, 10000));
        controller.stop();
        QVERIFY(controller.isStopping());
        release.release(4);
        QVERIFY(finished.wait(20000));
        QVERIFY(!controller.isStopping());
        QCOMPARE(controller.statusText(), std::optional<QString>("Stopped after 1 image in \u201cDesktop\u201d."));
    }

    // A count asked for earlier never shows once a later one was asked for,
    // whichever ends first.
    void laterCountWins()
    {
        QTemporaryDir other, small;
        for (const char* time : {"10-00-00", "10-00-01"})
            make(shot(other.path(), "2024-05-02", time));
        const QString fast = make(shot(small.path(), "2024-05-01", "10-00-00"));
        TextMetadata::write("a", fast, TextRecognitionLevel::Fast);
        TextSearchController controller({&m_codec, nullptr, 1}, m_home.log());
        QList<std::optional<Counts>> seen;
        connect(&controller, &TextSearchController::changed, this, [&] { seen.append(controller.counts()); });
        controller.refreshCounts(other.path(), TextRecognitionLevel::Accurate);
        controller.refreshCounts(small.path(), TextRecognitionLevel::Accurate);
        QVERIFY(QThreadPool::globalInstance()->waitForDone(10000));  // both scans posted their results
        bool sentinel = false;
        QMetaObject::invokeMethod(
            this, [&] { sentinel = true; }, Qt::QueuedConnection);
        QTRY_VERIFY(sentinel);
        QCOMPARE(controller.counts(), std::optional<Counts>(Counts{1, 1, 1, 1}));
        QVERIFY(!seen.contains(std::optional<Counts>(Counts{2, 0, 2, 0})));
    }

    void statusSentences_data()
    {
        QTest::addColumn<int>("read");
        QTest::addColumn<int>("failed");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<bool>("captureFolder");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("one") << 1 << 0 << false << true << "en_US"
                             << "Recognized text in 1 screenshot.";
        QTest::newRow("stopped, other folder, grouped")
            << 1204 << 2 << true << false << "en_US"
            << "Stopped after 1,204 images in \u201cDesktop\u201d. Couldn't recognize 2.";
        QTest::newRow("german grouping") << 1204 << 1500 << false << true << "de_DE"
                                         << "Recognized text in 1.204 screenshots. Couldn't recognize 1.500.";
    }

    void statusSentences()
    {
        QFETCH(int, read);
        QFETCH(int, failed);
        QFETCH(bool, stopped);
        QFETCH(bool, captureFolder);
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        QTEST(TextSearchController::statusSentence(read, failed, stopped, "/home/u/Desktop", captureFolder),
              "sentence");
    }

    void estimatedDuration_data()
    {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<bool>("fast");
        QTest::addColumn<QString>("phrase");
        QTest::newRow("150 accurate") << qint64(150) << false << "about a minute";
        QTest::newRow("200 accurate: 1.5 rounds up") << qint64(200) << false << "about 2 minutes";
        QTest::newRow("11,866 accurate: 88.995") << qint64(11866) << false << "about 89 minutes";
        QTest::newRow("12,000 accurate") << qint64(12000) << false << "about 2 hours";
        QTest::newRow("100,000 fast") << qint64(100000) << true << "about 2 hours";
    }

    void estimatedDuration()
    {
        QFETCH(qint64, count);
        QFETCH(bool, fast);
        QTEST(TextSearchController::estimatedDuration(count, fast ? TextRecognitionLevel::Fast
                                                                  : TextRecognitionLevel::Accurate),
              "phrase");
    }
    void newestFourOfSixAreRead()
    {
        QTemporaryDir dir;
        ScriptedRecognizer recognizer;
        const auto reader = readerOver(recognizer, m_home.log());
        const QList<CapturedImage> six = shots(dir, {1, 2, 3, 4, 5, 6});
        reader->enqueue(six, {TextRecognitionLevel::Fast, std::nullopt, false});
        QVERIFY(reader->waitUntilIdle(10000));
        QCOMPARE(recognizer.seenWidths(), (QList<int>{3, 4, 5, 6}));
        QCOMPARE(TextMetadata::textState(six[1].filePath), TextState::Unread);
        for (int i = 2; i < 6; ++i) {
            QCOMPARE(TextMetadata::readText(six[i].filePath), std::optional<QString>(QString::number(i + 1)));
            QCOMPARE(TextMetadata::readMarker(six[i].filePath), std::optional<QString>("fast"));
        }
    }

    void capCountsOnlyWaitingEntries()
    {
        QTemporaryDir dir;
        QSemaphore started, release;
        ScriptedRecognizer recognizer;
        recognizer.answer = [&](const Bitmap& image, const TextSearchSettings&) {
            if (image.width == 1) {
                started.release();
                release.acquire();
            }
            return TextReadResult::read("ok");
        };
        const auto reader = readerOver(recognizer, m_home.log());
        reader->enqueue(shots(dir, {1}), {});
        QVERIFY(started.tryAcquire(1, 10000));  // 1 is being read, nothing waits
        reader->enqueue(shots(dir, {2, 3}), {});
        reader->enqueue(shots(dir, {4, 5, 6}), {});
        release.release();
        QVERIFY(reader->waitUntilIdle(10000));
        QCOMPARE(recognizer.seenWidths(), (QList<int>{1, 3, 4, 5, 6}));
    }

    // A first time-out is retried at once; a second leaves the file unread. Each is logged once per run.
    void timeoutsAreRetriedOnceAndLoggedOnce()
    {
        QTemporaryDir dir;
        EventLogWatcher log(m_home.log());
        QSet<int> timedOutOnce;
        ScriptedRecognizer recognizer;
        recognizer.answer = [&](const Bitmap& image, const TextSearchSettings&) {
            if (image.width == 5 || ((image.width == 1 || image.width == 7) && !timedOutOnce.contains(image.width))) {
                timedOutOnce.insert(image.width);
                return TextReadResult::timedOut();
            }
            return TextReadResult::read(QString("read %1").arg(image.width));
        };
        const auto reader = readerOver(recognizer, m_home.log());
        const QList<CapturedImage> batch = shots(dir, {1, 5, 6});
        reader->enqueue(batch, {});
        QVERIFY(reader->waitUntilIdle(10000));
        QCOMPARE(recognizer.seenWidths(), (QList<int>{1, 1, 5, 5, 6}));
        QCOMPARE(TextMetadata::readText(batch[0].filePath), std::optional<QString>("read 1"));
        QCOMPARE(TextMetadata::textState(batch[1].filePath), TextState::Unread);
        QCOMPARE(TextMetadata::textState(batch[2].filePath), TextState::Searchable);

        reader->enqueue(shots(dir, {7, 5}), {});
        QVERIFY(reader->waitUntilIdle(10000));
        QCOMPARE(recognizer.seenWidths().mid(5), (QList<int>{7, 7, 5, 5}));
        QCOMPARE(log.count(kFirstTimeout), 1);
        QCOMPARE(log.count(kSecondTimeout), 1);
    }

    void otherFailuresWriteNothingEmptyTextIsKept()
    {
        QTemporaryDir dir;
        EventLogWatcher log(m_home.log());
        ScriptedRecognizer recognizer;
        recognizer.answer = [](const Bitmap& image, const TextSearchSettings&) {
            return image.width == 2 ? TextReadResult::failed("broken") : TextReadResult::read({});
        };
        const auto reader = readerOver(recognizer, m_home.log());
        const QList<CapturedImage> batch = shots(dir, {2, 3});
        reader->enqueue(batch, {TextRecognitionLevel::Accurate, std::nullopt, false});
        QVERIFY(reader->waitUntilIdle(10000));
        QCOMPARE(recognizer.seenWidths(), (QList<int>{2, 3}));  // not retried
        QCOMPARE(TextMetadata::textState(batch[0].filePath), TextState::Unread);
        // An empty text is a result: stored with its marker.
        QCOMPARE(TextMetadata::readText(batch[1].filePath), std::optional<QString>(QString()));
        QCOMPARE(TextMetadata::readMarker(batch[1].filePath), std::optional<QString>("accurate"));
        QCOMPARE(log.count("Reading a screenshot's text"), 0);  // no time-out line
    }

    void lateResultCountsAsTimedOut()
    {
        const TextReadResult late = withTimeout(0.05, [](QDeadlineTimer deadline) {
            static_cast<void>(QTest::qWaitFor([&] { return deadline.hasExpired(); }));  // outlasts its time
            return TextReadResult::read("too late");
        });
        QVERIFY(late.isTimedOut());
        QVERIFY(late.text().isEmpty());
        const TextReadResult inTime = withTimeout(5, [](QDeadlineTimer deadline) {
            return TextReadResult::read(deadline.hasExpired() ? QString() : "in time");
        });
        QCOMPARE(inTime.text(), "in time");
    }
};

QTEST_MAIN(TestTextSearch)
#include "tst_TextSearch.moc"
