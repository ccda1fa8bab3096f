#include "core/library/LibraryLayout.h"

#include <QtTest>

using Ordinals = QMap<QString, int>;

class TestLibraryLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ownScreenshotNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("own");
        QTest::newRow("display 2") << "Momentra_2024-05-01_09-30-00_Display2.png" << true;
        QTest::newRow("upper-case JPG") << "Momentra_2024-05-01_09-30-00.JPG" << true;
        QTest::newRow("anything after the day") << "Momentra_2024-05-01_x.png" << true;
        QTest::newRow("month 13") << "Momentra_2024-13-01_09-30-00.png" << false;
        QTest::newRow("rest too short") << "Momentra_2024-05-01.png" << false;
        QTest::newRow("prefix case") << "momentra_2024-05-01_09-30-00.png" << false;
        QTest::newRow("gif") << "Momentra_2024-05-01_09-30-00.gif" << false;
        QTest::newRow("temp file") << ".Momentra_2024-05-01_09-30-00.jpeg.tmp" << false;
        QTest::newRow("arabic digits") << QString::fromUtf8("Momentra_٢٠٢٤-05-01_09-30-00.png") << false;
    }
    void ownScreenshotNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, own);
        QCOMPARE(LibraryLayout::isOwnScreenshotName(name), own);
    }

    void dayFolderNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isDay");
        QTest::addColumn<bool>("hasDate");
        QTest::newRow("plain") << "2024-05-01" << true << true;
        QTest::newRow("31 February passes the name test") << "2024-02-31" << true << false;
        QTest::newRow("nine characters") << "2024-5-01" << false << false;
        QTest::newRow("day 32") << "2024-01-32" << false << false;
        QTest::newRow("trailing text") << "2024-01-01x" << false << false;
        QTest::newRow("negative year") << "-2024-01-11" << false << false;
    }
    void dayFolderNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, isDay);
        QFETCH(bool, hasDate);
        QCOMPARE(LibraryLayout::isDayFolderName(name), isDay);
        const auto date = LibraryLayout::dayDate(name);
        QCOMPARE(date.has_value(), hasDate);
        if (date)
            QCOMPARE(LibraryLayout::dayFolderName(*date), name);
    }

    void displayIdentities_data()
    {
        QTest::addColumn<quint32>("vendor");
        QTest::addColumn<quint32>("model");
        QTest::addColumn<quint32>("serial");
        QTest::addColumn<QString>("identity");
        QTest::newRow("edid") << 4268u << 41234u << 808464432u << "edid:4268-41234-808464432";
        QTest::newRow("no edid") << 0u << 0u << 0u << "displayID:66";
        QTest::newRow("unknown vendor") << 0x756E6B6Eu << 5u << 6u << "displayID:66";
    }
    void displayIdentities()
    {
        QFETCH(quint32, vendor);
        QFETCH(quint32, model);
        QFETCH(quint32, serial);
        QFETCH(QString, identity);
        QCOMPARE(LibraryLayout::displayIdentity({66, std::nullopt, vendor, model, serial}), identity);
        QCOMPARE(LibraryLayout::displayIdentity({66, QStringLiteral("ABC"), vendor, model, serial}),
                 QStringLiteral("uuid:ABC"));
    }

    void displayOrder()
    {
        // external, main, external, built-in → built-in, main, then the others in service order
        const QList<LibraryLayout::DisplayRankInput> displays = {
            {false, false}, {false, true}, {false, false}, {true, false}};
        QCOMPARE(LibraryLayout::orderDisplays(displays), (QList<int>{3, 1, 0, 2}));
    }

    void ordinals_data()
    {
        QTest::addColumn<QStringList>("identities");
        QTest::addColumn<Ordinals>("existing");
        QTest::addColumn<QList<int>>("ordinals");
        QTest::addColumn<Ordinals>("stored");
        QTest::newRow("gaps are filled, stored kept")
            << QStringList{"B", "A", "C", "D"} << Ordinals{{"A", 1}, {"C", 3}} << QList<int>{2, 1, 3, 4}
            << Ordinals{{"A", 1}, {"B", 2}, {"C", 3}, {"D", 4}};
        QTest::newRow("new twin identities")
            << QStringList{"Y", "Y"} << Ordinals{} << QList<int>{1, 2} << Ordinals{{"Y", 1}};
        QTest::newRow("unplugged display keeps its number")
            << QStringList{"B"} << Ordinals{{"A", 1}, {"B", 2}} << QList<int>{2} << Ordinals{{"A", 1}, {"B", 2}};
    }
    void ordinals()
    {
        QFETCH(QStringList, identities);
        QFETCH(Ordinals, existing);
        QFETCH(QList<int>, ordinals);
        QFETCH(Ordinals, stored);
        const OrdinalAssignment result = LibraryLayout::assignOrdinals(identities, existing);
        QCOMPARE(result.ordinals, ordinals);
        QCOMPARE(result.dictionary, stored);
    }

    void ordinalsArePrunedToSixteen()
    {
        Ordinals existing;
        for (int i = 1; i <= 20; ++i)
            existing.insert(QStringLiteral("id%1").arg(i, 2, 10, QLatin1Char('0')), i);
        // Two connected displays with high ordinals survive; then the lowest ordinals.
        const OrdinalAssignment result = LibraryLayout::assignOrdinals({"id20", "id19"}, existing);
        QCOMPARE(result.ordinals, (QList<int>{20, 19}));
        for (int i = 15; i <= 18; ++i)
            existing.remove(QStringLiteral("id%1").arg(i));
        QCOMPARE(result.dictionary, existing);
    }
};

QTEST_GUILESS_MAIN(TestLibraryLayout)
#include "tst_LibraryLayout.moc"
