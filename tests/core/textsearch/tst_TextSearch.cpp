#include "support/core/EventLogWatcher.h"
#include "support/core/ScriptedRecognizer.h"
#include "support/core/TestCodec.h"
#include "support/core/TestHome.h"

#include "core/textsearch/BinaryPlist.h"
#include "core/textsearch/BulkTextReader.h"
#include "core/textsearch/LiveTextReader.h"
#include "core/textsearch/TextMetadata.h"
#include "core/textsearch/TextPage.h"
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

// Screenshot n is an image n pixels wide, so a recogniser can tell them apart.
QList<CapturedImage> shots(const QTemporaryDir& dir, QList<int> widths)
{
    QList<CapturedImage> list;
    for (int width : widths)
        list.append({Bitmap::filled(width, 1, 0xffffffff),
                     make(dir.filePath(QString("Momentra_2024-05-01_10-00-%1.png").arg(width, 2, 10, QChar('0'))))});
    return list;
}

// The live reader reads in turn: once the last screenshot of a batch has its marker (written after its text),
// every one before it is done.
bool readInTurn(const CapturedImage& last)
{
    return QTest::qWaitFor([&] { return TextMetadata::readMarker(last.filePath).has_value(); }, 10000);
}

// A page that reads as the number of full reads so far; finding lines finds none.
class CountingPage : public TextPage
{
public:
    explicit CountingPage(std::atomic<int>& fullReads)
        : m_fullReads(fullReads)
    {
    }
    GrayPixels pixels() const override { return {reinterpret_cast<const uchar*>("\x10\x20\x30\x40"), 2, 2}; }
    TextReadResult readAll(QDeadlineTimer, QList<Line>*) override
    {
        return TextReadResult::read(QString::number(++m_fullReads));
    }
    TextReadResult findLines(const QRect&, QDeadlineTimer, QList<QRect>*) override { return TextReadResult::read({}); }
    TextReadResult readLines(const QList<QRect>&, QDeadlineTimer, QStringList*) override
    {
        return TextReadResult::read({});
    }

private:
    std::atomic<int>& m_fullReads;
};

class PageRecognizer : public ScriptedRecognizer
{
public:
    std::shared_ptr<TextPage> preparePage(const Bitmap&, const TextSearchSettings&) override
    {
        return std::make_shared<CountingPage>(fullReads);
    }
    std::atomic<int> fullReads{0};
};

}  // namespace

// Reading text in bulk and in the background of capture.
class TestTextSearch : public QObject
{
    Q_OBJECT

    TestHome m_home;
    TestCodec m_codec;

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // The own screenshots of valid day folders, to read in day order, then name order; Accurate reads again
    // what Fast read. A run reads them, adjusts the counts at once and logs its start and end.
    void captureFolderScanAndRun()
    {
        EventLogWatcher log(m_home.log());
        QTemporaryDir dir;
        const QString root = dir.path();
        const QString unread = shot(root, "2024-05-01", "10-00-00"), fast = shot(root, "2024-05-01", "09-00-00"),
                      accurate = shot(root, "2024-05-01", "11-00-00"),
                      foreignText = shot(root, "2024-05-01", "12-00-00", "JPG"),
                      older = shot(root, "2024-04-30", "23-59-59_Display2", "heic");
        for (const QString& file : {unread, fast, accurate, foreignText, older})
            QVERIFY(TestCodec::writeFile(file, 8, 8));
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
        QCOMPARE(forAccurate.toRead, (QStringList{older, fast, unread}));
        QCOMPARE(forAccurate.readWithFast, 1);
        const auto forFast = TextSearchScan::scanCaptureFolder(root, TextRecognitionLevel::Fast);
        QCOMPARE(forFast.toRead, (QStringList{older, unread}));
        QCOMPARE(forFast.readWithFast, 0);

        ScriptedRecognizer recognizer;
        TextSearchController controller({&m_codec, &recognizer, 2}, m_home.log());
        controller.refreshCounts(root, TextRecognitionLevel::Fast);
        QTRY_COMPARE(controller.counts(), std::optional<Counts>(Counts{5, 3, 2, 0}));
        QSignalSpy finished(&controller, &TextSearchController::runFinished);
        controller.readCaptureFolder(root, {TextRecognitionLevel::Fast, std::nullopt, false});
        QVERIFY(controller.isRunning());
        controller.readCaptureFolder(root, {TextRecognitionLevel::Accurate, std::nullopt, false});  // ignored
        QVERIFY(finished.wait(20000));
        QCOMPARE(controller.statusText(), std::optional<QString>("Recognized text in 2 screenshots."));
        QCOMPARE(controller.fraction(), 1.0);
        QCOMPARE(controller.counts(), std::optional<Counts>(Counts{5, 5, 0, 0}));
        QCOMPARE(TextMetadata::textState(older), TextState::ReadWithFast);
        QCOMPARE(TextMetadata::textState(unread), TextState::ReadWithFast);
        QCOMPARE(log.count("OCR: reading 2 screenshots (Fast)"), 1);
        QCOMPARE(log.count("OCR: read 2, failed 0"), 1);
    }

    // Every image below a folder, told by its content, hidden ones and links skipped. A run over them marks an
    // image that turned out broken "none"; a vanished one counts neither way. Stopped while the first file is
    // being read, that file completes and no other starts.
    void otherFolderScanRunAndStop()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath("Desktop");
        // "a-no-extension" has PNG bytes and no name hint.
        for (const char* name : {"/b.png", "/sub/deeper/photo.dat.jpg", "/a-no-extension", "/sub/done.png",
                                 "/sub/fast.png", "/.hidden.png", "/.cache/inside.png"})
            QVERIFY(TestCodec::writeFile(root + name, 8, 8));
        const QString fast = root + "/sub/fast.png", broken = root + "/text-named.png";
        TextMetadata::write("x", root + "/sub/done.png", TextRecognitionLevel::Accurate);
        TextMetadata::write("x", fast, TextRecognitionLevel::Fast);
        QVERIFY(TestCodec::writeNonImage(broken));
        QVERIFY(QFile::link(root + "/b.png", root + "/link.png"));
        // Formats the codec cannot decode are no images to read, whatever their first bytes.
        for (const QByteArray& header : {QByteArray("GIF89a\1\0\1\0"), QByteArray("BM\x3a\0\0\0\0\0\0\0\x36\0\0\0", 14),
                                         QByteArray("II*\0\x08\0\0\0", 8), QByteArray("RIFF\x1a\0\0\0WEBPVP8L")}) {
            QFile file(root + "/sub/other" + QString::number(quint8(header[0])));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(header) == header.size());
        }

        const auto accurate = TextSearchScan::findImages(root, TextRecognitionLevel::Accurate);
        QCOMPARE(accurate.imageCount, 5);
        QCOMPARE(accurate.toRead,
                 (QStringList{root + "/a-no-extension", root + "/b.png", root + "/sub/deeper/photo.dat.jpg", fast}));
        const QStringList images = TextSearchScan::findImages(root, TextRecognitionLevel::Fast).toRead;
        QCOMPARE(images.size(), 3);

        ScriptedRecognizer recognizer;
        TextSearchController controller({&m_codec, &recognizer, 1}, m_home.log());
        QSignalSpy finished(&controller, &TextSearchController::runFinished);
        controller.readFolder(root, images + QStringList{broken, root + "/gone.png"},
                              {TextRecognitionLevel::Fast, std::nullopt, false});
        QVERIFY(finished.wait(20000));
        QCOMPARE(controller.statusText(),
                 std::optional<QString>(
                     QStringLiteral("Recognized text in 3 images in \u201cDesktop\u201d. Couldn't recognize 1.")));
        QCOMPARE(recognizer.seenWidths().size(), 3);
        QCOMPARE(TextMetadata::readMarker(broken), std::optional<QString>("none"));
        QCOMPARE(TextMetadata::readText(broken), std::optional<QString>(QString()));
        QCOMPARE(TextMetadata::textState(broken), TextState::Searchable);

        QSemaphore started, release;
        recognizer.answer = [&](const Bitmap&, const TextSearchSettings&) {
            started.release();
            release.acquire();
            return TextReadResult::read("late");
        };
        for (const QString& image : images)
            QVERIFY(::removexattr(QFile::encodeName(image).constData(), TextMetadata::kMarkerAttribute) == 0);
        controller.readFolder(root, images, {TextRecognitionLevel::Fast, std::nullopt, false});
        QVERIFY(QTest::qWaitFor([&] { return started.tryAcquire(); }, 10000));
        controller.stop();
        QVERIFY(controller.isStopping());
        release.release(images.size());
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

    // Singular, and numbers grouped as the locale groups them.
    void statusSentences()
    {
        QCOMPARE(TextSearchController::statusSentence(1, 0, false, {}, true), "Recognized text in 1 screenshot.");
        QLocale::setDefault(QLocale("de_DE"));
        QCOMPARE(TextSearchController::statusSentence(1204, 1500, false, {}, true),
                 "Recognized text in 1.204 screenshots. Couldn't recognize 1.500.");
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
    // At most four screenshots wait: the oldest waiting ones are dropped, never the one being read.
    void keepsTheNewestFourWaiting()
    {
        QTemporaryDir dir;
        QSemaphore started, release;
        const auto recognizer = std::make_shared<ScriptedRecognizer>();
        recognizer->answer = [&](const Bitmap& image, const TextSearchSettings&) {
            if (image.width == 1) {
                started.release();
                release.acquire();
            }
            return TextReadResult::read(QString::number(image.width));
        };
        LiveTextReader reader(LiveTextReader::recognizeWith(recognizer), m_home.log());
        reader.enqueue(shots(dir, {1}), {TextRecognitionLevel::Fast, std::nullopt, false});
        QVERIFY(started.tryAcquire(1, 10000));
        const QList<CapturedImage> waiting = shots(dir, {2, 3, 4, 5, 6});
        reader.enqueue(waiting.mid(0, 2), {TextRecognitionLevel::Fast, std::nullopt, false});
        reader.enqueue(waiting.mid(2), {TextRecognitionLevel::Fast, std::nullopt, false});
        release.release();
        QVERIFY(readInTurn(waiting.last()));
        QCOMPARE(recognizer->seenWidths(), (QList<int>{1, 3, 4, 5, 6}));
        QCOMPARE(TextMetadata::textState(waiting[0].filePath), TextState::Unread);
        for (const CapturedImage& shot : waiting.mid(1)) {
            QCOMPARE(TextMetadata::readText(shot.filePath), std::optional<QString>(QString::number(shot.image.width)));
            QCOMPARE(TextMetadata::readMarker(shot.filePath), std::optional<QString>("fast"));
        }
    }

    // A first time-out is retried at once, a second leaves the file unread; each is logged once per run.
    // Other failures are not retried and write nothing; an empty text is a result, stored with its marker.
    void timeoutsFailuresAndEmptyText()
    {
        QTemporaryDir dir;
        EventLogWatcher log(m_home.log());
        QSet<int> timedOutOnce;
        const auto recognizer = std::make_shared<ScriptedRecognizer>();
        recognizer->answer = [&](const Bitmap& image, const TextSearchSettings&) {
            const int width = image.width;
            if (width == 5 || ((width == 1 || width == 7) && !timedOutOnce.contains(width))) {
                timedOutOnce.insert(width);
                return TextReadResult::timedOut();
            }
            return width == 2 ? TextReadResult::failed("broken") : TextReadResult::read(width == 6 ? "" : "read");
        };
        LiveTextReader reader(LiveTextReader::recognizeWith(recognizer), m_home.log());
        const QList<CapturedImage> batch = shots(dir, {1, 2, 5, 6});
        reader.enqueue(batch, {TextRecognitionLevel::Accurate, std::nullopt, false});
        QVERIFY(readInTurn(batch.last()));
        QCOMPARE(recognizer->seenWidths(), (QList<int>{1, 1, 2, 5, 5, 6}));
        QCOMPARE(TextMetadata::readText(batch[0].filePath), std::optional<QString>("read"));
        QCOMPARE(TextMetadata::textState(batch[1].filePath), TextState::Unread);
        QCOMPARE(TextMetadata::textState(batch[2].filePath), TextState::Unread);
        QCOMPARE(TextMetadata::readText(batch[3].filePath), std::optional<QString>(QString()));
        QCOMPARE(TextMetadata::readMarker(batch[3].filePath), std::optional<QString>("accurate"));

        const QList<CapturedImage> again = shots(dir, {7, 5, 8});
        reader.enqueue(again, {});
        QVERIFY(readInTurn(again.last()));
        QCOMPARE(recognizer->seenWidths().mid(6), (QList<int>{7, 7, 5, 5, 8}));
        QCOMPARE(log.count("Reading a screenshot's text took over 15 seconds; trying once more"), 1);
        QCOMPARE(log.count("Reading a screenshot's text timed out twice; left unread"), 1);
    }

    // A display's screenshots are read as a sequence: the same screen again is not read; after a restart
    // (wake, settings changed) and on another display it is.
    void readsEachDisplayAsASequence()
    {
        QTemporaryDir dir;
        const auto recognizer = std::make_shared<PageRecognizer>();
        LiveTextReader reader(LiveTextReader::recognizeWith(recognizer), m_home.log());
        auto enqueue = [&](int width, const QString& display) {
            CapturedImage shot = shots(dir, {width}).first();
            shot.display = display;
            reader.enqueue({shot}, {});
            return readInTurn(shot) ? *TextMetadata::readText(shot.filePath) : QString();
        };
        QCOMPARE(enqueue(1, "left"), "1");
        QCOMPARE(enqueue(2, "left"), "1");
        QCOMPARE(enqueue(3, "right"), "2");
        reader.restartSequences();
        QCOMPARE(enqueue(4, "left"), "3");
        QCOMPARE(enqueue(5, "left"), "3");
    }

    // A bulk run reads the screenshots of one display on one day as a sequence, in runs of at most kRunLength;
    // other displays, other days and other files apart.
    void bulkRunsFollowSequences_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QList<QList<qsizetype>>>("runs");
        const QString day = "/shots/2024-05-01/Momentra_2024-05-01_";
        QTest::newRow("two displays, two days")
            << QStringList{day + "10-00-00.png", day + "10-00-00_Display2.png", day + "10-01-00.png",
                           day + "10-01-00_Display2.png", "/shots/2024-05-02/Momentra_2024-05-02_09-00-00.png"}
            << QList<QList<qsizetype>>{{0, 2}, {1, 3}, {4}};
        QTest::newRow("other files one by one") << QStringList{"/photos/a.png", "/photos/b.png", day + "10-00-00.png"}
                                                << QList<QList<qsizetype>>{{0}, {1}, {2}};
        QStringList longDay;
        QList<qsizetype> first, second;
        for (int i = 0; i < BulkTextReader::kRunLength + 2; ++i) {
            longDay.append(day + QString("10-%1-00.png").arg(i, 2, 10, QChar('0')));
            (i < BulkTextReader::kRunLength ? first : second).append(i);
        }
        QTest::newRow("a long day") << longDay << QList<QList<qsizetype>>{first, second};
    }
    void bulkRunsFollowSequences()
    {
        QFETCH(QStringList, paths);
        QFETCH(QList<QList<qsizetype>>, runs);
        QCOMPARE(BulkTextReader::runs(paths), runs);
    }

    // A run of a display's screenshots reads the same screen once; a file on its own is read whole.
    void bulkRunReadsScreensOnce()
    {
        QTemporaryDir dir;
        const QString first = shot(dir.path(), "2024-05-01", "10-00-00"),
                      again = shot(dir.path(), "2024-05-01", "10-01-00"),
                      other = shot(dir.path(), "2024-05-01", "10-00-00_Display2");
        for (const QString& file : {first, again, other})
            QVERIFY(TestCodec::writeFile(file, 8, 8));
        PageRecognizer recognizer;
        TextSearchController controller({&m_codec, &recognizer, 1}, m_home.log());
        QSignalSpy finished(&controller, &TextSearchController::runFinished);
        controller.readCaptureFolder(dir.path(), {TextRecognitionLevel::Fast, std::nullopt, false});
        QVERIFY(finished.wait(20000));
        QCOMPARE(recognizer.fullReads.load(), 1);
        QCOMPARE(TextMetadata::readText(first), std::optional<QString>("1"));
        QCOMPARE(TextMetadata::readText(again), std::optional<QString>("1"));
        QCOMPARE(TextMetadata::readText(other), std::optional<QString>("8"));  // the width: read whole
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
