#include "core/capture/ByteCountText.h"
#include "core/capture/FreeSpaceGate.h"
#include "core/capture/VolumeSpace.h"

#include <QtTest>

#include <sys/statvfs.h>

using Bytes = std::optional<qint64>;
Q_DECLARE_METATYPE(Bytes)

class FreeSpaceGateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void byteCounts_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0LL << "Zero KB";
        QTest::newRow("one") << 1LL << "1 byte";
        QTest::newRow("rounds up a unit") << 999999LL << "1 MB";
        QTest::newRow("megabytes") << 4250000LL << "4.3 MB";
        QTest::newRow("two decimals") << 5123456789LL << "5.12 GB";
    }
    void byteCounts()
    {
        QFETCH(qint64, bytes);
        QTEST(ByteCountText::file(bytes), "text");
    }

    void gate_data()
    {
        QTest::addColumn<Bytes>("limit");
        QTest::addColumn<Bytes>("free");
        QTest::addColumn<Bytes>("wasLow");
        QTest::addColumn<bool>("isLow");
        QTest::addColumn<Bytes>("shown");
        QTest::addColumn<QString>("line");
        const Bytes off, limit = 5000000000LL;
        QTest::newRow("exactly the limit") << limit << Bytes(5000000000LL) << off << false << off << "";
        QTest::newRow("drops below") << limit << Bytes(4900000000LL) << off << true << Bytes(4900000000LL)
                                     << "Low disk space: 4.9 GB free, limit 5 GB; skipping captures";
        QTest::newRow("still inside the margin") << limit << Bytes(5999999999LL) << Bytes(4900000000LL) << true
                                                 << Bytes(5999999999LL) << "";
        QTest::newRow("past the margin") << limit << Bytes(6000000000LL) << Bytes(4900000000LL) << false << off
                                         << "Capturing again: 6 GB free";
        QTest::newRow("limit off while low") << off << off << Bytes(1LL) << false << off
                                             << "Capturing again: free-space limit off";
        QTest::newRow("huge limit") << Bytes(std::numeric_limits<qint64>::max()) << Bytes(10LL)
                                    << Bytes(5LL) << true << Bytes(10LL) << "";
    }
    void gate()
    {
        QFETCH(Bytes, limit);
        QFETCH(Bytes, free);
        QFETCH(Bytes, wasLow);
        const FreeSpaceGate::Verdict verdict = FreeSpaceGate::evaluate(limit, free, wasLow);
        QTEST(verdict.isLow, "isLow");
        QTEST(verdict.lowSpaceFreeBytes, "shown");
        QTEST(verdict.logLine, "line");
    }

    void freeBytesOfAFolderNotYetCreated()
    {
        QTemporaryDir dir;
        struct statvfs info {};
        QVERIFY(::statvfs(QFile::encodeName(dir.path()).constData(), &info) == 0);
        const qint64 expected = qint64(info.f_bavail) * qint64(info.f_frsize);
        const Bytes measured = VolumeSpace::freeBytes(dir.path() + QStringLiteral("/not/yet/there"));
        QVERIFY(measured.has_value());
        QVERIFY(qAbs(*measured - expected) < 64 * 1024 * 1024);  // others write meanwhile

        QVERIFY(!VolumeSpace::freeBytes(QString()).has_value());
    }
};

QTEST_GUILESS_MAIN(FreeSpaceGateTest)
#include "tst_FreeSpaceGate.moc"
