#include "core/FileDescriptor.h"
#include "core/StopFlag.h"
#include "core/cleanup/CleanupSweeper.h"
#include "core/cleanup/FileTimes.h"
#include "support/core/CleanupFakeTrash.h"
#include "support/core/CleanupLibrary.h"

#include <QtTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr qint64 kHour = 3600;
constexpr qint64 kDay = 86400;
const QString kShot = QStringLiteral("Momentra_2024-05-01_10-00-00.jpeg");
const QString kShot2 = QStringLiteral("Momentra_2024-05-01_10-00-05_Display2.png");

// Makes a folder refuse changes to its entries while it lives: immutable when
// running as root, which ignores permissions, otherwise mode 0555.
class LockedFolder
{
public:
    explicit LockedFolder(QString path) : m_path(std::move(path)), m_locked(lock(true)) {}
    ~LockedFolder()
    {
        if (m_locked)
            lock(false);
    }
    bool isLocked() const { return m_locked; }

private:
    bool lock(bool on) const
    {
        if (::geteuid() != 0)
            return QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                                     | (on ? QFileDevice::Permissions() : QFileDevice::WriteOwner));
        const FileDescriptor fd(::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        int flags = 0;
        if (!fd.isOpen() || ::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags) != 0)
            return false;
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        return ::ioctl(fd.get(), FS_IOC_SETFLAGS, &flags) == 0;
    }

    QString m_path;
    bool m_locked;
};
}  // namespace

class SweeperTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CleanupLibrary> m_library;
    std::shared_ptr<CleanupFakeTrash> m_trash;

    // By default two days later, when every file made by a test is old enough.
    std::optional<SweepResult> sweep(bool permanently = false, QDateTime now = {}, qint64 maxAge = kHour,
                                     const StopFlag& stop = StopFlag())
    {
        now = now.isValid() ? now : QDateTime::currentDateTime().addDays(2);
        return CleanupSweeper(m_trash).sweep(m_library->root(), maxAge, permanently, stop, now);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_library = std::make_unique<CleanupLibrary>(m_dir->path() + QStringLiteral("/Momentra"));
        m_library->makeFolder(QString());
        m_trash = std::make_shared<CleanupFakeTrash>(m_dir->path() + QStringLiteral("/trash"));
    }

    void creationFallsBackToModificationTime()
    {
        struct statx info{};
        info.stx_mask = STATX_MTIME | STATX_TYPE;
        info.stx_mtime.tv_sec = 1000;
        info.stx_btime.tv_sec = 5;  // not valid: the mask lacks the birth time
        QCOMPARE(FileTimes::creationMs(info), std::optional<qint64>(1000000));
        QCOMPARE(FileTimes::birthMs(info), std::nullopt);
        info.stx_mask |= STATX_BTIME;
        info.stx_btime.tv_nsec = 250000000;
        QCOMPARE(FileTimes::creationMs(info), std::optional<qint64>(5250));
    }

    void boundaryAge_data()
    {
        QTest::addColumn<qint64>("extraMs");
        QTest::addColumn<bool>("removed");
        QTest::newRow("exactly the maximum age stays") << qint64(0) << false;
        QTest::newRow("a millisecond older goes") << qint64(1) << true;
    }
    void boundaryAge()
    {
        QFETCH(qint64, extraMs);
        QFETCH(bool, removed);
        const QString folder = m_library->makeFolder(QStringLiteral("2024-05-01"));
        // The folder must be older than its file.
        QTRY_VERIFY(QDateTime::currentDateTime() > CleanupLibrary::creationOf(folder));
        const QString file = m_library->makeFile(QStringLiteral("2024-05-01/") + kShot);
        const auto result = sweep(true, CleanupLibrary::creationOf(file).addMSecs(kHour * 1000 + extraMs));
        QVERIFY(result);
        QCOMPARE(result->trashed, removed ? 1 : 0);
        QCOMPARE(QFile::exists(file), !removed);
        QCOMPARE(result->oldestRemaining.has_value(), !removed);
    }

    // Birth time stays now: the sweep's now decides the empty folder is old
    // enough to list; the modification time decides whether it goes.
    void emptyDayFolders_data()
    {
        QTest::addColumn<qint64>("ageSeconds");
        QTest::addColumn<bool>("removed");
        QTest::newRow("modified long ago: removed") << qint64(2 * kDay) << true;
        QTest::newRow("modified recently: kept") << qint64(60) << false;
    }
    void emptyDayFolders()
    {
        QFETCH(qint64, ageSeconds);
        const QString day = m_library->makeFolder(QStringLiteral("2024-05-01"));
        const QDateTime now = QDateTime::currentDateTime().addSecs(3 * kDay);
        struct timespec times[2] = {{0, UTIME_OMIT}, {(now.toSecsSinceEpoch() - ageSeconds), 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(day).constData(), times, 0), 0);
        QVERIFY(sweep(true, now, kDay));
        QTEST(!QFileInfo::exists(day), "removed");
    }

    // A library with everything that must survive: links, foreign and hidden
    // files, look-alike names, a folder that refuses changes, screenshots
    // outside day folders. Exactly the own screenshots go.
    void hostileTreeLosesOnlyOwnScreenshots_data()
    {
        QTest::addColumn<bool>("permanently");
        QTest::newRow("deleted") << true;
        QTest::newRow("trashed") << false;
    }
    void hostileTreeLosesOnlyOwnScreenshots()
    {
        QFETCH(bool, permanently);
        CleanupLibrary outside(m_dir->path() + QStringLiteral("/outside"));
        const QString outsideShot = outside.makeFile(kShot);
        outside.makeFile(QStringLiteral("2024-01-01/") + kShot);
        auto& lib = *m_library;
        const QString day4 = QStringLiteral("2024-05-04/");
        const QStringList removed{"2024-05-01/" + kShot, "2024-05-01/" + kShot2,
                                  "2024-05-02/Momentra_2024-05-02_09-00-00.HEIC",
                                  "2024-05-02/Momentra_2024-05-02_09-00-00.jpg", day4 + kShot};
        const QStringList kept{
            // foreign, hidden and look-alike names, a folder named like a screenshot
            day4 + "holiday.jpeg", day4 + "." + kShot, day4 + "Momentra_2024-05-04_10-00-00.jpeg.part",
            day4 + "Momentra_2024-05-04_10-00-00.png/inner.txt",
            // screenshots outside day folders, a file named like a day folder
            kShot, "2024-5-01/" + kShot, "2024-02-30x/" + kShot, "Exports/2024-05-01/" + kShot,
            ".2024-05-05/" + kShot, "2024-05-06/nested/" + kShot, "2024-05-08",
            "2024-05-07/" + kShot};  // in a folder that refuses changes: fails
        for (const QString& file : removed + kept)
            lib.makeFile(file);
        const QString fifo = lib.path(day4 + "Momentra_2024-05-04_11-00-00.png");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // Links, whether the day folder or the screenshot name is the link.
        QVERIFY(lib.makeLink(outside.root() + QStringLiteral("/2024-01-01"), QStringLiteral("2024-01-01")));
        QVERIFY(lib.makeLink(outsideShot, QStringLiteral("2024-05-03/") + kShot));
        QVERIFY(lib.makeLink(outside.root(), QStringLiteral("2024-05-03/") + kShot2));

        const QStringList before = lib.tree();
        const QStringList outsideBefore = outside.tree();
        LockedFolder locked(lib.path(QStringLiteral("2024-05-07")));
        QVERIFY2(locked.isLocked(), "locking failed (as root: needs CAP_LINUX_IMMUTABLE and ext4/xfs/btrfs)");

        const auto result = sweep(permanently);
        QVERIFY(result);
        QCOMPARE(result->trashed, 5);
        QCOMPARE(result->failed, 1);
        QCOMPARE(result->oldestRemaining, CleanupLibrary::creationOf(lib.path(QStringLiteral("2024-05-07/") + kShot)));
        QStringList expected = before;
        expected.removeIf([&](const QString& path) {
            return removed.contains(path) || path == QLatin1String("2024-05-01/") || path == QLatin1String("2024-05-02/");
        });
        QCOMPARE(lib.tree(), expected);
        QCOMPARE(outside.tree(), outsideBefore);
        QCOMPARE(m_trash->calls(), permanently ? 0 : 5 + 1);  // the locked one is tried too
    }

    void stopFlagEndsThePassBetweenFiles()
    {
        for (int i = 0; i < 5; ++i)
            m_library->makeFile(QStringLiteral("2024-05-01/Momentra_2024-05-01_10-00-0%1.jpeg").arg(i));
        StopFlag stop;
        m_trash->setBehaviour([&](const QString& path, int call) {
            if (call == 3)
                stop.set();
            return m_trash->moveByRenaming(path);
        });
        const auto result = sweep(false, {}, kHour, stop);
        QVERIFY(result && result->stopped);
        QCOMPARE(result->trashed, 3);
        QCOMPARE(m_library->tree().size(), 1 + 2);  // folder and two files: not tidied
    }

    void removalFailures_data()
    {
        QTest::addColumn<bool>("removesAnyway");
        QTest::newRow("file still there: failed") << false;
        QTest::newRow("file gone despite the error: counted") << true;
    }
    void removalFailures()
    {
        QFETCH(bool, removesAnyway);
        const QString file = m_library->makeFile(QStringLiteral("2024-05-01/") + kShot);
        m_trash->setBehaviour([&](const QString& path, int) {
            if (removesAnyway)
                QFile::remove(path);
            return Result<QString>::failure(QStringLiteral("refused"));
        });
        const auto result = sweep();
        QVERIFY(result);
        QCOMPARE(result->trashed, removesAnyway ? 1 : 0);
        QCOMPARE(result->failed, removesAnyway ? 0 : 1);
        QCOMPARE(QFileInfo::exists(m_library->path(QStringLiteral("2024-05-01"))), !removesAnyway);
        QCOMPARE(m_trash->received(), QStringList{file});
    }

    void unlistableFolderHasNoResult()
    {
        const CleanupSweeper sweeper(m_trash);
        QCOMPARE(sweeper.sweep(m_dir->path() + QStringLiteral("/missing"), kHour, true, StopFlag()), std::nullopt);
        QCOMPARE(sweeper.sweep(m_library->makeFile(QStringLiteral("plain-file")), kHour, true, StopFlag()), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(SweeperTest)
#include "tst_CleanupSweeper.moc"
