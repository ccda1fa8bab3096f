#include "core/search/AttributeScanSearch.h"
#include "core/textsearch/TextMetadata.h"
#include "support/core/TestCodec.h"
#include "support/core/TestHome.h"

#include <QFileInfo>
#include <QTest>

// The search that reads the screenshots' text attributes: which files answer, in which order, with
// which words marked.
class AttributeScanSearchTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    AttributeScanSearch m_search{m_home.picturesFolder()};

    void write(const QString& name, const QString& text)
    {
        const QString path = m_home.picturesFolder() + "/" + name.mid(9, 10) + "/" + name;
        QVERIFY(TestCodec::writeFile(path, 4, 4));
        QVERIFY(TextMetadata::write(text, path, TextRecognitionLevel::Accurate).ok());
    }

private Q_SLOTS:
    void initTestCase()
    {
        write("Momentra_2024-05-02_10-00-00.png", "Invoice for London\nGarden party");
        write("Momentra_2024-05-01_18-30-00_Display2.png", "Quarterly invoice\nRésumé draft for the CAFÉ");
        write("Momentra_2024-05-01_09-00-00.png", "London calling");
        write("Momentra_2024-05-01_notes.png", "invoice");  // not a screenshot's name
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("since");
        QTest::addColumn<int>("display");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QStringList>("times");  // of the hits, in order
        QTest::addColumn<QString>("snippet");    // of the first hit
        const QDateTime any;
        const QString mark = QString(SearchHit::kMarkStart);
        const QString end = QString(SearchHit::kMarkEnd);
        QTest::newRow("newest first") << "invoice" << any << 0 << 50 << QStringList{"05-02 10:00", "05-01 18:30"}
                                      << mark + "Invoice" + end + " for London";
        QTest::newRow("all words, any case") << "INVOICE london" << any << 0 << 50 << QStringList{"05-02 10:00"}
                                             << mark + "Invoice" + end + " for " + mark + "London" + end;
        QTest::newRow("accents folded") << "resume cafe" << any << 0 << 50 << QStringList{"05-01 18:30"}
                                        << mark + "Résumé" + end + " draft for the " + mark + "CAFÉ" + end;
        QTest::newRow("phrase") << "\"garden party\"" << any << 0 << 50 << QStringList{"05-02 10:00"}
                                << mark + "Garden party" + end;
        QTest::newRow("phrase in order only") << "\"party garden\"" << any << 0 << 50 << QStringList() << "";
        QTest::newRow("prefix") << "lond" << any << 0 << 50 << QStringList{"05-02 10:00", "05-01 09:00"}
                                << "Invoice for " + mark + "Lond" + end + "on";
        QTest::newRow("since") << "london" << QDateTime({2024, 5, 1}, {12, 0}) << 0 << 50 << QStringList{"05-02 10:00"}
                               << "";
        QTest::newRow("display") << "invoice" << any << 2 << 50 << QStringList{"05-01 18:30"} << "";
        QTest::newRow("limit") << "invoice" << any << 0 << 1 << QStringList{"05-02 10:00"} << "";
    }
    void search()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, since);
        QFETCH(int, display);
        QFETCH(int, limit);
        QFETCH(QStringList, times);
        QFETCH(QString, snippet);
        SearchQuery query{text, since.isValid() ? std::optional(since) : std::nullopt, std::nullopt,
                          display ? std::optional(display) : std::nullopt, limit};
        const std::optional<QList<SearchHit>> hits = m_search.search(query);
        QVERIFY(hits);
        QStringList found;
        for (const SearchHit& hit : *hits) {
            found.append(hit.capturedAt.toString("MM-dd HH:mm"));
            QVERIFY(QFileInfo(hit.path).isFile());
        }
        QCOMPARE(found, times);
        if (!snippet.isEmpty())
            QCOMPARE(hits->first().snippet, snippet);
    }

    void nothingToAskIsNoQuestion() { QVERIFY(!m_search.search(SearchQuery{"  \"\" "})); }
};

QTEST_MAIN(AttributeScanSearchTest)
#include "tst_AttributeScanSearch.moc"
