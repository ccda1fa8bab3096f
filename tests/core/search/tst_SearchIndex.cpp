#include "core/StopFlag.h"
#include "core/cleanup/CleanupSweeper.h"
#include "core/search/SearchIndex.h"
#include "core/search/SqliteDatabase.h"
#include "core/textsearch/BulkTextReader.h"
#include "core/textsearch/LiveTextReader.h"
#include "core/textsearch/LiveTextSearchSettings.h"
#include "core/textsearch/TextMetadata.h"
#include "core/textsearch/TextSearchScan.h"
#include "support/core/EventLogWatcher.h"
#include "support/core/ScriptedRecognizer.h"
#include "support/core/TestCodec.h"
#include "support/core/TestHome.h"

#include <QTest>

#include <sqlite3.h>
#include <sys/stat.h>

// The index against the files it mirrors: after each event that changes the
// screenshots, it holds exactly the screenshots that carry text.
class SearchIndexTest : public QObject
{
    Q_OBJECT

    TestHome m_home;

    QString databasePath() const { return m_home.path() + "/cache/Momentra/search.sqlite"; }
    QString folder() const { return m_home.picturesFolder(); }

    // A screenshot taken at `time` ("yyyy-MM-dd_HH-mm-ss") with its text stored.
    static QString shot(const QString& root, const QString& time, const QString& text, int display = 1)
    {
        const QString path = QStringLiteral("%1/%2/Momentra_%3%4.png")
                                 .arg(root, time.left(10), time,
                                      display > 1 ? QStringLiteral("_Display%1").arg(display) : QString());
        if (!TestCodec::writeFile(path, 8, 8) || (!text.isNull() && !TextMetadata::write(text, path, {}).ok()))
            return {};
        return path;
    }
    // Every screenshot the index finds by the word all test texts share.
    static QStringList indexed(SearchIndex& index)
    {
        index.waitUntilIdle();
        const std::optional<QList<SearchHit>> hits = index.search({QStringLiteral("shared"), {}, {}, {}, 1000});
        QStringList paths;
        for (const SearchHit& hit : hits.value_or(QList<SearchHit>()))
            paths.append(hit.path);
        paths.sort();
        return paths;
    }
    static QStringList onDisk(const QString& root)
    {
        QStringList paths;
        for (const TextSearchScan::StoredText& file : TextSearchScan::storedTexts(root))
            paths.append(file.path);
        return paths;
    }

private Q_SLOTS:
    void cleanup()
    {
        QDir(folder()).removeRecursively();
        QDir(m_home.path() + "/cache").removeRecursively();
        QDir(m_home.path() + "/Other").removeRecursively();
    }

    void followsTheFiles_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("expected");  // screenshots with text afterwards
        QTest::newRow("capture read") << "capture read" << 3;
        QTest::newRow("bulk run") << "bulk run" << 3;
        QTest::newRow("cleanup") << "cleanup" << 0;
        QTest::newRow("delete all") << "delete all" << 0;
        QTest::newRow("deleted outside") << "deleted outside" << 1;
        QTest::newRow("moved outside") << "moved outside" << 1;
        QTest::newRow("folder changed") << "folder changed" << 3;
        QTest::newRow("corrupt index") << "corrupt index" << 2;
        QTest::newRow("missing index") << "missing index" << 2;
        QTest::newRow("moved aside by another process") << "moved aside" << 2;
    }
    void followsTheFiles()
    {
        QFETCH(QString, event);
        QFETCH(int, expected);
        const QString first = shot(folder(), "2024-05-01_10-00-00", "shared first");
        shot(folder(), "2024-05-02_10-00-00", "shared second", 2);
        shot(folder(), "2024-05-02_11-00-00", QString());  // not read yet: not indexed
        auto index = std::make_unique<SearchIndex>(databasePath(), m_home.log());
        index->reconcile(folder());
        QCOMPARE(indexed(*index), onDisk(folder()));
        QString root = folder();
        const EventLogWatcher log(m_home.log());
        const TextSearchSettings settings{TextRecognitionLevel::Fast, std::nullopt, false};
        const auto recognizer = std::make_shared<ScriptedRecognizer>();
        recognizer->answer = [](const Bitmap&, const TextSearchSettings&) { return TextReadResult::read("shared"); };
        LiveTextReader reader(LiveTextReader::recognizeWith(recognizer), m_home.log());
        reader.setStoredTextSink(index.get());
        TestCodec codec;

        if (event == "capture read") {
            const QString path = shot(folder(), "2024-05-03_10-00-00", QString());
            reader.enqueue({{Bitmap{4, 4, 16, QByteArray(64, 0)}, path}}, settings);
        } else if (event == "bulk run") {
            const QStringList paths{shot(folder(), "2024-05-03_10-00-00", QString())};
            BulkTextReader({&codec, recognizer.get(), 1, index.get()})
                .readAll(paths, LiveTextSearchSettings(settings), StopFlag(), {});
        } else if (event == "cleanup" || event == "delete all") {
            const QDateTime now = QDateTime::currentDateTime().addSecs(event == "cleanup" ? 8 * 86400 : 1);
            QVERIFY(CleanupSweeper(nullptr).sweep(folder(), event == "cleanup" ? 7 * 86400 : 0, true, StopFlag(), now));
            index->dropMissing(folder());
        } else if (event == "deleted outside" || event == "moved outside") {
            QVERIFY(event == "deleted outside" ? QFile::remove(first)
                                               : QFile::rename(first, m_home.path() + "/Momentra_moved.png"));
            index->reconcile(folder());
        } else if (event == "moved aside") {
            // What another process's writer does on finding the file damaged, while this one has it open.
            QVERIFY(QFile::rename(databasePath(), databasePath() + ".corrupt-elsewhere"));
            index->reconcile(folder());
        } else if (event == "folder changed") {
            root = m_home.path() + "/Other";
            for (const QString time : {"2024-06-01_10-00-00", "2024-06-01_10-00-01", "2024-06-02_10-00-00"})
                shot(root, time, "shared elsewhere");
            index->reconcile(root);
        } else {
            index.reset();
            if (event == "corrupt index") {
                QFile file(databasePath());
                QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                file.write(QByteArray(8192, 'x'));
            } else {
                QVERIFY(QFile::remove(databasePath()));
            }
            index = std::make_unique<SearchIndex>(databasePath(), m_home.log());
            QVERIFY(!index->search({QStringLiteral("shared")}));
            index->reconcile(folder());
        }

        QTRY_COMPARE(indexed(*index).size(), expected);
        QCOMPARE(indexed(*index), onDisk(root));
        const QStringList aside = QDir(m_home.path() + "/cache/Momentra").entryList({"search.sqlite.corrupt-*"});
        QCOMPARE(aside.size(), event == "corrupt index" || event == "moved aside" ? 1 : 0);
        QCOMPARE(log.count("search index was damaged"), event == "corrupt index" ? 1 : 0);
    }

    // Changes alone make no usable index: it answers once a reconcile built it,
    // from a file only the user can read.
    void answersOnceBuilt()
    {
        SearchIndex index(databasePath(), m_home.log());
        QVERIFY(!index.search({QStringLiteral("shared")}));
        index.textStored(shot(folder(), "2024-05-01_10-00-00", "shared"));
        index.waitUntilIdle();
        QVERIFY(!index.search({QStringLiteral("shared")}));
        QVERIFY(!index.indexedFolder());
        index.reconcile(folder());
        QCOMPARE(indexed(index).size(), 1);
        QCOMPARE(index.indexedFolder(), std::optional<QString>(folder()));
        struct stat file, dir;
        QCOMPARE(::stat(QFile::encodeName(databasePath()).constData(), &file), 0);
        QCOMPARE(::stat(QFile::encodeName(m_home.path() + "/cache/Momentra").constData(), &dir), 0);
        QCOMPARE(file.st_mode & 0777, 0600u);
        QCOMPARE(dir.st_mode & 0777, 0700u);
    }

    // An index from before the word list takes its words from FTS5 when opened.
    void listsTheWordsOfAnOlderIndex()
    {
        shot(folder(), "2024-05-01_10-00-00", "shared");
        auto index = std::make_unique<SearchIndex>(databasePath(), m_home.log());
        index->reconcile(folder());
        index->waitUntilIdle();
        index.reset();
        SqliteDatabase db;
        QCOMPARE(db.open(databasePath(), SqliteDatabase::Mode::ReadWrite), SQLITE_OK);
        QCOMPARE(db.exec("DROP TABLE words"), SQLITE_OK);
        db.close();
        index = std::make_unique<SearchIndex>(databasePath(), m_home.log());
        index->reconcile(folder());
        QCOMPARE(indexed(*index).size(), 1);
    }

    void hitCarriesTimeDisplayAndMarkedSnippet()
    {
        shot(folder(), "2024-05-01_10-00-00", "Invoice London office\nsecond line", 3);
        SearchIndex index(databasePath(), m_home.log());
        index.reconcile(folder());
        index.waitUntilIdle();
        const std::optional<QList<SearchHit>> hits = index.search({QStringLiteral("lond")});
        QVERIFY(hits && hits->size() == 1);
        QCOMPARE(hits->first().capturedAt, QDateTime(QDate(2024, 5, 1), QTime(10, 0)));
        QCOMPARE(hits->first().displayOrdinal, 3);
        QCOMPARE(hits->first().snippet, QStringLiteral("Invoice \x02London\x03 office\nsecond line"));
    }
};

QTEST_GUILESS_MAIN(SearchIndexTest)
#include "tst_SearchIndex.moc"
