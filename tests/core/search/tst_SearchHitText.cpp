#include "core/search/SearchHitText.h"

#include <QLocale>
#include <QTest>

// A hit's time and snippet in each of the forms they are shown in.
class SearchHitTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void captureTime_data()
    {
        QTest::addColumn<QDateTime>("capturedAt");
        QTest::addColumn<QString>("shown");
        QTest::newRow("today") << QDateTime({2024, 5, 3}, {0, 5}) << "Today, 00:05";
        QTest::newRow("yesterday, late") << QDateTime({2024, 5, 2}, {23, 59}) << "Yesterday, 23:59";
        QTest::newRow("two days ago") << QDateTime({2024, 5, 1}, {9, 0}) << "01/05/2024 09:00";
        QTest::newRow("a year ago, same date") << QDateTime({2023, 5, 3}, {9, 0}) << "03/05/2023 09:00";
    }
    void captureTime()
    {
        QFETCH(QDateTime, capturedAt);
        QFETCH(QString, shown);
        QCOMPARE(SearchHitText::captureTime(capturedAt, QDateTime({2024, 5, 3}, {18, 0})), shown);
    }

    void snippets_data()
    {
        QTest::addColumn<QString>("snippet");
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("bracketed");
        QTest::addColumn<QString>("html");
        QTest::newRow("one match") << "the \x02invoice\x03 for"
                                   << "the invoice for"
                                   << "the [invoice] for"
                                   << "the <b>invoice</b> for";
        QTest::newRow("two, at the edges") << "\x02Total\x03 due \x02total\x03"
                                           << "Total due total"
                                           << "[Total] due [total]"
                                           << "<b>Total</b> due <b>total</b>";
        QTest::newRow("lines and markup") << " a <b>\n\x02\xc3\xa9t\xc3\xa9\x03 &\tc\n"
                                          << QString::fromUtf8("a <b> été & c") << QString::fromUtf8("a <b> [été] & c")
                                          << QString::fromUtf8(" a &lt;b&gt;\n<b>été</b> &amp;\tc\n");
    }
    void snippets()
    {
        QFETCH(QString, snippet);
        QFETCH(QString, plain);
        QFETCH(QString, bracketed);
        QFETCH(QString, html);
        QCOMPARE(SearchHitText::plainSnippet(snippet), plain);
        QCOMPARE(SearchHitText::markedSnippet(snippet, "[", "]"), bracketed);
        QCOMPARE(SearchHitText::htmlSnippet(snippet), html);
    }
};

QTEST_GUILESS_MAIN(SearchHitTextTest)
#include "tst_SearchHitText.moc"
