#include "platform/linux/x11/EdidParser.h"

#include <QtTest>

// Identity and name from stored EDID blobs (monitors under Xvfb have none).
class TestEdidParser : public QObject
{
    Q_OBJECT

    static QByteArray blob(const QString& name)
    {
        QFile file(QStringLiteral(MOMENTRA_TEST_DATA "/edid/") + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void readsIdentityAndName_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("vendorCode");
        QTest::addColumn<quint32>("vendor");
        QTest::addColumn<quint32>("model");
        QTest::addColumn<quint32>("serial");
        QTest::addColumn<QString>("name");
        QTest::newRow("name after serial text") << "dell-u2720q.bin" << "DEL" << 0x10acu << 0xa0c4u << 0x4c4a3130u
                                                << "DELL U2720Q";
        QTest::newRow("with extension block") << "lg-ultrafine-with-extension.bin" << "GSM" << 0x1e6du << 0x5b0cu
                                              << 123456789u << "LG ULTRAFINE";
        QTest::newRow("no name descriptor") << "samsung-no-name.bin" << "SAM" << 0x4c2du << 0x0f75u << 0u << "";
        QTest::newRow("panel with text descriptors only") << "laptop-panel-text-only.bin" << "BOE" << 0x09e5u
                                                          << 0x0747u << 0u << "";
    }

    void readsIdentityAndName()
    {
        QFETCH(QString, file);
        const QByteArray edid = blob(file);
        QVERIFY2(!edid.isEmpty(), qPrintable(file));
        const auto identity = EdidParser::parse(edid);
        QVERIFY(identity.has_value());
        QTEST(identity->vendorCode, "vendorCode");
        QTEST(identity->vendor, "vendor");
        QTEST(identity->model, "model");
        QTEST(identity->serial, "serial");
        QTEST(identity->name, "name");
    }

    void rejectsBrokenBlocks_data()
    {
        QTest::addColumn<QByteArray>("edid");
        QTest::newRow("bad checksum") << blob("corrupt-checksum.bin");
        QTest::newRow("truncated") << blob("truncated.bin");
        QByteArray noHeader = blob("dell-u2720q.bin");
        noHeader[1] = 0;
        noHeader[127] = char(noHeader[127] + 0xff);  // checksum still right: only the header is wrong
        QTest::newRow("no header") << noHeader;
    }

    void rejectsBrokenBlocks()
    {
        QFETCH(QByteArray, edid);
        QVERIFY(!EdidParser::parse(edid).has_value());
    }
};

QTEST_GUILESS_MAIN(TestEdidParser)
#include "tst_EdidParser.moc"
