#include "core/capture/ScreenshotWriter.h"
#include "core/library/LibraryLayout.h"
#include "core/library/PartialFiles.h"
#include "support/core/CaptureEngineFakes.h"

#include <QtTest>

#include <climits>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

mode_t modeOf(const QString& path)
{
    struct stat info
    {
    };
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

QStringList allEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace

class ScreenshotWriterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void foldersArePrivateAndExistingOnesUntouched()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("open"))));
        ::chmod(QFile::encodeName(dir.filePath(QStringLiteral("open"))).constData(), 0755);
        const mode_t oldMask = ::umask(0);
        const auto made = ScreenshotWriter::ensureFolder(dir.filePath(QStringLiteral("open/a/b/2024-05-01")));
        ::umask(oldMask);
        QVERIFY2(made.ok(), qPrintable(made.error()));
        QCOMPARE(modeOf(dir.filePath(QStringLiteral("open"))), mode_t(0755));
        QCOMPARE(modeOf(dir.filePath(QStringLiteral("open/a"))), mode_t(0700));
        QCOMPARE(modeOf(dir.filePath(QStringLiteral("open/a/b/2024-05-01"))), mode_t(0700));
        QVERIFY(ScreenshotWriter::ensureFolder(made.value()).ok());  // again: fine
        QVERIFY(QFile(dir.filePath(QStringLiteral("plain"))).open(QIODevice::WriteOnly));
        QVERIFY(ScreenshotWriter::ensureFolder(dir.filePath(QStringLiteral("plain/2024-05-01")))
                    .error()
                    .contains(QStringLiteral("plain")));
    }

    // Same-second captures: the later one gets a numbered name that is an
    // own screenshot, sorts after the first and still parses.
    void writesPrivatelyAndNeverReplaces()
    {
        QTemporaryDir dir;
        TestCodec codec;
        ScreenshotWriter writer(codec);
        const QString path = dir.filePath(QStringLiteral("Momentra_2024-05-01_09-30-00_Display2.png"));
        const mode_t oldMask = ::umask(0);
        QVERIFY(writer.writeImage(Bitmap::filled(4, 4, 0xFF112233), path, ScreenshotFormat::Png, 0).ok());
        const auto second = writer.writeImage(Bitmap::filled(6, 2, 0xFF445566), path, ScreenshotFormat::Png, 0);
        const auto third = writer.writeImage(Bitmap::filled(8, 2, 0xFF445566), path, ScreenshotFormat::Png, 0);
        ::umask(oldMask);
        QCOMPARE(second->bytes, QFileInfo(second->path).size());
        QCOMPARE(modeOf(second->path), mode_t(0600));
        QCOMPARE(codec.decodeFile(path)->width, 4);
        QCOMPARE(codec.decodeFile(third->path)->width, 8);
        const QStringList names = allEntries(dir.path());
        QCOMPARE(names, (QStringList{QFileInfo(path).fileName(), "Momentra_2024-05-01_09-30-00_Display2_2.png",
                                     "Momentra_2024-05-01_09-30-00_Display2_3.png"}));
        QVERIFY(LibraryLayout::isOwnScreenshotName(names.last()));
    }

    void failuresLeaveNothingBehind()
    {
        QTemporaryDir dir;
        TestCodec codec;
        ScreenshotWriter writer(codec);
        const auto write = [&](const QString& name) {
            return writer.writeImage(Bitmap::filled(4, 4, 0), dir.filePath(name), ScreenshotFormat::Jpeg, 0.6);
        };
        codec.fails = true;
        QCOMPARE(write(QStringLiteral("a.jpeg")).error(), QStringLiteral("Failed to encode screenshot."));
        codec.fails = false;
        QCOMPARE(write(QStringLiteral("gone/a.jpeg")).error(),
                 QStringLiteral("Couldn't write a screenshot into %1/gone: No such file or directory").arg(dir.path()));
        QVERIFY(allEntries(dir.path()).isEmpty());
    }

    // Partial files of writers that ended go at once, in every day folder;
    // those of a running writer only when they are too old to be in progress.
    void abandonedPartialsAreRemoved_data()
    {
        QTest::addColumn<pid_t>("writer");
        QTest::addColumn<qint64>("ageSeconds");
        QTest::addColumn<bool>("removed");
        QTest::newRow("ended writer") << pid_t(INT_MAX) << qint64(5) << true;  // above any pid_max
        QTest::newRow("running writer") << ::getpid() << qint64(5) << false;
        QTest::newRow("running writer, too old") << ::getppid() << qint64(3600) << true;
    }
    void abandonedPartialsAreRemoved()
    {
        QFETCH(pid_t, writer);
        QFETCH(qint64, ageSeconds);
        QFETCH(bool, removed);
        QTemporaryDir library;
        QVERIFY(QDir(library.path()).mkpath(QStringLiteral("2024-05-01")));
        QFile file(library.filePath(QStringLiteral("2024-05-01/.Momentra_2024-05-01.jpeg.partial-%1-x").arg(writer)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
        QCOMPARE(PartialFiles::removeAbandonedInLibrary(library.path()), removed ? 1 : 0);
        QCOMPARE(file.exists(), !removed);
    }

    // A process killed in the middle of writing never leaves a file under a
    // screenshot name that does not decode; at most a hidden partial file.
    void killedWriterLeavesOnlyWholeScreenshots()
    {
        QTemporaryDir dir;
        TestCodec codec;
        const Bitmap big = Bitmap::filled(800, 600, 0xFF102030);
        for (int round = 0; round < 4; ++round) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                ScreenshotWriter writer(codec);
                for (int i = 0;; ++i)
                    writer.writeImage(big,
                                      dir.filePath(QStringLiteral("Momentra_2024-05-01_09-30-%1_Display%2.png")
                                                       .arg(i % 60, 2, 10, QLatin1Char('0'))
                                                       .arg(round + 2)),
                                      ScreenshotFormat::Png, 0);
            }
            // Killed once this round's writer has finished round + 1 whole screenshots, so each round ends at
            // a different point of a later write.
            const auto whole = [&] {
                QStringList names = allEntries(dir.path()).filter(QStringLiteral("_Display%1.").arg(round + 2));
                names.removeIf([](const QString& name) { return ScreenshotWriter::isTemporaryName(name); });
                return names.size();
            };
            const auto reap = qScopeGuard([&] {
                ::kill(child, SIGKILL);
                ::waitpid(child, nullptr, 0);
            });
            QVERIFY(QTest::qWaitFor([&] { return whole() > round; }, 10000));
        }
        for (const QString& name : allEntries(dir.path())) {
            if (ScreenshotWriter::isTemporaryName(name))
                continue;
            QVERIFY2(LibraryLayout::isOwnScreenshotName(name), qPrintable(name));
            const auto image = codec.decodeFile(dir.filePath(name));
            QVERIFY2(image.ok(), qPrintable(name + QStringLiteral(": ") + image.error()));
        }
    }
};

QTEST_GUILESS_MAIN(ScreenshotWriterTest)
#include "tst_ScreenshotWriter.moc"
