#include "support/core/EventLogWatcher.h"
#include "support/core/ScriptedRecognizer.h"
#include "support/core/TestHome.h"

#include "core/textsearch/LiveTextReader.h"
#include "core/textsearch/TextMetadata.h"

#include <QtTest>

#include <memory>

namespace {

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

class TestLiveTextReader : public QObject
{
    Q_OBJECT

    TestHome m_home;

private Q_SLOTS:
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

QTEST_GUILESS_MAIN(TestLiveTextReader)
#include "tst_LiveTextReader.moc"
