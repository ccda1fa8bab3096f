#include "core/search/AttributeScanSearch.h"
#include "core/search/IndexFirstSearch.h"
#include "core/search/SearchIndex.h"
#include "core/textsearch/TextMetadata.h"
#include "support/core/TestCodec.h"
#include "support/core/TestHome.h"

#include <QTest>

// One rule for what a query finds, whoever answers it: every query runs once
// against the index and once against the files' attributes (no index), and
// both give the same hits in the same order with the same marks.
class IndexFirstSearchTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    QMap<QString, QString> m_letters;  // path → the letter a row expects
    std::unique_ptr<SearchIndex> m_index;
    std::unique_ptr<SearchIndex> m_noIndex;
    std::unique_ptr<AttributeScanSearch> m_scan;

    QString shot(const QString& time, const QString& text, const QString& letter, int display = 1)
    {
        const QString path = QStringLiteral("%1/%2/Momentra_%3%4.png")
                                 .arg(m_home.picturesFolder(), time.left(10), time,
                                      display > 1 ? QStringLiteral("_Display%1").arg(display) : QString());
        m_letters.insert(path, letter);
        const bool written = TestCodec::writeFile(path, 8, 8)
                             && TextMetadata::write(text, path, TextRecognitionLevel::Accurate).ok();
        return written ? path : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        shot("2024-05-01_09-00-00", "Quarterly invoice for the garden", "A");
        shot("2024-05-01_10-00-00", "Invoice London office to pay", "B");
        shot("2024-05-01_10-00-00", "invoice invoice invoice reminder", "C", 2);
        shot("2024-05-02_08-00-00", "Résumé draft for the CAFÉ", "D");
        shot("2024-05-02_09-00-00", "garden quarterly plan", "E", 2);
        shot("2024-05-03_07-00-00", "NEAR text AND garden-party (draft)", "F");
        QStringList zebras;  // as many words with one beginning as the index asks for by name
        for (char c = 'a'; zebras.size() < 64; ++c) {
            for (char d = 'a'; d <= 'z' && zebras.size() < 64; ++d)
                zebras.append(QStringLiteral("zebr") + c + d);
        }
        QVERIFY(!shot("2024-05-04_08-00-00", zebras.join(' '), "H").isEmpty());
        const QString notAScreenshot = m_home.picturesFolder() + "/2024-05-03/Momentra_2024-05-03_notes.png";
        QVERIFY(TestCodec::writeFile(notAScreenshot, 8, 8));
        QVERIFY(TextMetadata::write("invoice garden", notAScreenshot, {}).ok());
        m_scan = std::make_unique<AttributeScanSearch>(m_home.picturesFolder());
        m_index = std::make_unique<SearchIndex>(m_home.path() + "/index.sqlite", m_home.log());
        m_index->reconcile(m_home.picturesFolder());
        m_index->waitUntilIdle();
        // Read after the index was built: their words join it as they come.
        for (const QString& later :
             {shot("2024-05-04_07-00-00", "planning planner", "G"), shot("2024-05-04_09-00-00", "zebrzz", "I")})
            m_index->textStored(later);
        m_index->waitUntilIdle();
        m_noIndex = std::make_unique<SearchIndex>(m_home.path() + "/none.sqlite", m_home.log());
    }

    void sameHitsWithAndWithoutIndex_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("since");
        QTest::addColumn<QString>("until");
        QTest::addColumn<int>("display");  // 0: any
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("expected");  // the hits' letters, in order
        QTest::addColumn<QString>("snippet");   // of the first hit, matches between [ and ]
        const QString none;
        QTest::newRow("all words") << "invoice garden" << none << none << 0 << 50 << "A"
                                   << "Quarterly [invoice] for the [garden]";
        QTest::newRow("the last word as a prefix") << "quarter" << none << none << 0 << 50 << "EA"
                                                   << "garden [quarterly] plan";
        QTest::newRow("only the last word") << "quarter garden" << none << none << 0 << 50 << "" << none;
        QTest::newRow("a word, not a part of one") << "arden" << none << none << 0 << 50 << "" << none;
        QTest::newRow("a prefix that is a word too") << "plan" << none << none << 0 << 50 << "GE" << none;
        QTest::newRow("a prefix of many words") << "zebr" << none << none << 0 << 50 << "IH" << none;
        QTest::newRow("two letters: the whole word") << "to" << none << none << 0 << 50 << "B" << none;
        QTest::newRow("two letters: no prefix") << "lo" << none << none << 0 << 50 << "" << none;
        QTest::newRow("three letters: a prefix") << "lon" << none << none << 0 << 50 << "B"
                                                 << "Invoice [London] office to pay";
        QTest::newRow("newest first, one second by BM25") << "invoice" << none << none << 0 << 50 << "CBA" << none;
        QTest::newRow("phrase") << "\"quarterly invoice\"" << none << none << 0 << 50 << "A"
                                << "[Quarterly invoice] for the garden";
        QTest::newRow("phrase in its order") << "\"invoice quarterly\"" << none << none << 0 << 50 << "" << none;
        QTest::newRow("phrase, no prefix") << "\"quarter\"" << none << none << 0 << 50 << "" << none;
        QTest::newRow("unclosed phrase") << "\"quarterly plan" << none << none << 0 << 50 << "E" << none;
        QTest::newRow("case and accents") << "RESUME cafe" << none << none << 0 << 50 << "D"
                                          << "[Résumé] draft for the [CAFÉ]";
        QTest::newRow("accents in the query") << "\"for the café\"" << none << none << 0 << 50 << "D" << none;
        QTest::newRow("since") << "garden"
                               << "2024-05-02T00:00:00" << none << 0 << 50 << "FE" << none;
        QTest::newRow("until") << "garden" << none << "2024-05-01T23:59:59" << 0 << 50 << "A" << none;
        QTest::newRow("display") << "invoice" << none << none << 2 << 50 << "C" << none;
        QTest::newRow("limit") << "invoice" << none << none << 0 << 2 << "CB" << none;
        QTest::newRow("operators are words") << "AND" << none << none << 0 << 50 << "F" << none;
        QTest::newRow("punctuation inside a word") << "garden-party" << none << none << 0 << 50 << "F"
                                                   << "NEAR text AND [garden-party] (draft)";
        QTest::newRow("column filter") << "text:garden" << none << none << 0 << 50 << "" << none;
        QTest::newRow("lone quote") << "\"" << none << none << 0 << 50 << "" << none;
        QTest::newRow("lone star") << "*" << none << none << 0 << 50 << "" << none;
        QTest::newRow("syntax") << "-garden OR (x NEAR(" << none << none << 0 << 50 << "" << none;
        QTest::newRow("doubled quotes") << "\"\"garden\"\"" << none << none << 0 << 50 << "FEA" << none;
        QTest::newRow("NUL") << QStringLiteral("garden") + QChar(0) << none << none << 0 << 50 << "FEA" << none;
        QTest::newRow("SQL") << "'; DROP TABLE texts; --" << none << none << 0 << 50 << "" << none;
    }
    void sameHitsWithAndWithoutIndex()
    {
        QFETCH(QString, text);
        QFETCH(QString, since);
        QFETCH(QString, until);
        QFETCH(int, display);
        QFETCH(int, limit);
        QFETCH(QString, expected);
        QFETCH(QString, snippet);
        SearchQuery query{text, {}, {}, {}, limit};
        if (!since.isEmpty())
            query.since = QDateTime::fromString(since, Qt::ISODate);
        if (!until.isEmpty())
            query.until = QDateTime::fromString(until, Qt::ISODate);
        if (display)
            query.displayOrdinal = display;
        for (SearchIndex* index : {m_index.get(), m_noIndex.get()}) {
            IndexFirstSearch search(*index, *m_scan);
            QCOMPARE(search.indexAnswers(), index == m_index.get());
            const std::optional<QList<SearchHit>> hits = search.search(query);
            QVERIFY(hits);
            QString found;
            for (const SearchHit& hit : *hits)
                found += m_letters.value(hit.path, "?");
            QCOMPARE(found, expected);
            if (!snippet.isEmpty()) {
                QString marked = hits->first().snippet;
                marked.replace(SearchHit::kMarkStart, '[').replace(SearchHit::kMarkEnd, ']');
                QCOMPARE(marked, snippet);
            }
        }
    }
};

QTEST_GUILESS_MAIN(IndexFirstSearchTest)
#include "tst_IndexFirstSearch.moc"
