#include "platform/linux/FreedesktopTrash.h"
#include "support/CleanupLibrary.h"
#include "support/PrivateBus.h"
#include "support/ScratchMount.h"
#include "support/TestHome.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

ino_t inodeOf(const QString& path)
{
    struct stat info{};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

int modeOf(const QString& path)
{
    struct stat info{};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

QMap<QString, QString> readInfo(const QString& path)
{
    QFile file(path);
    QMap<QString, QString> values;
    if (!file.open(QIODevice::ReadOnly))
        return values;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    values.insert(QStringLiteral("header"), lines.value(0));
    for (const QString& line : lines.mid(1))
        values.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    return values;
}

QString encoded(const QString& path)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(path, "/"));
}

}  // namespace

class FreedesktopTrashTest : public QObject
{
    Q_OBJECT

private:
    TestHome m_home;
    std::unique_ptr<QTemporaryDir> m_dir;

    QString homeTrash() const { return m_home.dataHome() + QStringLiteral("/Trash"); }
    QString file(const QString& relative, const QByteArray& content = "pixels")
    {
        return CleanupLibrary(m_dir->path()).makeFile(relative, content);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QDir(homeTrash()).removeRecursively();
    }

    void homeTrashKeepsWhereTheFileCameFrom()
    {
        const QString original = file(QStringLiteral("a b/Momentra shot 100%é.png"));
        const ino_t inode = inodeOf(original);
        FreedesktopTrash trash;
        QCOMPARE(trash.homeTrashPath(), homeTrash());
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        const Result<QString> moved = trash.moveToTrash(original);
        QVERIFY2(moved, qPrintable(moved.error()));

        const QString name = QStringLiteral("Momentra shot 100%é.png");
        QCOMPARE(*moved, homeTrash() + QStringLiteral("/files/") + name);
        QVERIFY(!QFileInfo::exists(original));
        QCOMPARE(inodeOf(*moved), inode);  // renamed, never copied
        const auto info = readInfo(homeTrash() + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
        QCOMPARE(info.value(QStringLiteral("header")), QStringLiteral("[Trash Info]"));
        QCOMPARE(info.value(QStringLiteral("Path")), encoded(original));
        QVERIFY(info.value(QStringLiteral("Path")).contains(QLatin1String("a%20b/Momentra%20shot%20100%25%C3%A9.png")));
        const QDateTime deleted = QDateTime::fromString(info.value(QStringLiteral("DeletionDate")), QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        QVERIFY2(deleted >= before.addSecs(-1) && deleted <= QDateTime::currentDateTime().addSecs(1),
                 qPrintable(info.value(QStringLiteral("DeletionDate"))));
        for (const QString& folder : {homeTrash(), homeTrash() + QStringLiteral("/files"), homeTrash() + QStringLiteral("/info")})
            QCOMPARE(modeOf(folder), 0700);
    }

    void namesStayUnique()
    {
        const QString name = QStringLiteral("Momentra_2024-05-01_10-00-00.jpeg");
        QDir().mkpath(homeTrash() + QStringLiteral("/files"));
        // A stray file without its info file is never overwritten.
        CleanupLibrary(homeTrash()).makeFile(QStringLiteral("files/Momentra_2024-05-01_10-00-00.2.jpeg"), "stray");
        FreedesktopTrash trash;
        QStringList originals;
        for (int i = 0; i < 3; ++i) {
            originals << file(QStringLiteral("day%1/").arg(i) + name, QByteArray::number(i));
            QVERIFY(trash.moveToTrash(originals.last()));
        }
        const QDir files(homeTrash() + QStringLiteral("/files"));
        QCOMPARE(files.entryList(QDir::Files, QDir::Name),
                 QStringList({QStringLiteral("Momentra_2024-05-01_10-00-00.2.jpeg"), QStringLiteral("Momentra_2024-05-01_10-00-00.3.jpeg"),
                              QStringLiteral("Momentra_2024-05-01_10-00-00.4.jpeg"), name}));
        const QStringList trashedAs = {name, QStringLiteral("Momentra_2024-05-01_10-00-00.3.jpeg"),
                                       QStringLiteral("Momentra_2024-05-01_10-00-00.4.jpeg")};
        for (int i = 0; i < 3; ++i) {
            const auto info = readInfo(homeTrash() + QStringLiteral("/info/") + trashedAs[i] + QStringLiteral(".trashinfo"));
            QCOMPARE(info.value(QStringLiteral("Path")), encoded(originals[i]));
            QFile content(files.filePath(trashedAs[i]));
            QVERIFY(content.open(QIODevice::ReadOnly));
            QCOMPARE(content.readAll(), QByteArray::number(i));
        }
        QFile stray(files.filePath(QStringLiteral("Momentra_2024-05-01_10-00-00.2.jpeg")));
        QVERIFY(stray.open(QIODevice::ReadOnly));
        QCOMPARE(stray.readAll(), QByteArray("stray"));
        QVERIFY(!QFileInfo::exists(homeTrash() + QStringLiteral("/info/Momentra_2024-05-01_10-00-00.2.jpeg.trashinfo")));
    }

    // Several trashers (as separate processes would be) racing for the same names.
    void concurrentTrashersNeverCollide()
    {
        constexpr int kThreads = 4;
        constexpr int kFiles = 40;
        for (int t = 0; t < kThreads; ++t) {
            for (int i = 0; i < kFiles; ++i)
                file(QStringLiteral("t%1/Momentra_2024-05-01_10-00-%2.png").arg(t).arg(i % 10), QByteArray::number(t * 1000 + i));
        }
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                FreedesktopTrash trash;
                for (int i = 0; i < kFiles; ++i) {
                    const QString path = m_dir->path() + QStringLiteral("/t%1/Momentra_2024-05-01_10-00-%2.png").arg(t).arg(i % 10);
                    if (QFileInfo::exists(path) && !trash.moveToTrash(path))
                        ++failures;
                }
            });
        }
        for (auto& thread : threads)
            thread.join();
        QCOMPARE(failures.load(), 0);
        const QStringList files = QDir(homeTrash() + QStringLiteral("/files")).entryList(QDir::Files);
        const QStringList infos = QDir(homeTrash() + QStringLiteral("/info")).entryList(QDir::Files);
        QCOMPARE(files.size(), kThreads * 10);
        QCOMPARE(infos.size(), files.size());
        for (const QString& name : files)
            QVERIFY(infos.contains(name + QStringLiteral(".trashinfo")));
    }

    void linksAreMovedNotFollowed()
    {
        const QString target = file(QStringLiteral("target.png"), "keep me");
        CleanupLibrary here(m_dir->path());
        QVERIFY(here.makeLink(target, QStringLiteral("day/Momentra_2024-05-01_10-00-00.png")));
        FreedesktopTrash trash;
        const Result<QString> moved = trash.moveToTrash(here.path(QStringLiteral("day/Momentra_2024-05-01_10-00-00.png")));
        QVERIFY(moved);
        QVERIFY(QFileInfo(*moved).isSymLink());
        QFile kept(target);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("keep me"));
    }

    // The user empties the Trash (some file managers remove its folders)
    // between two files of one sweep.
    void trashRemovedMeanwhileIsMadeAgain()
    {
        FreedesktopTrash trash;
        QVERIFY(trash.moveToTrash(file(QStringLiteral("day/Momentra_2024-05-01_10-00-00.png"))));
        QVERIFY(QDir(homeTrash()).removeRecursively());
        const QString second = file(QStringLiteral("day/Momentra_2024-05-01_10-00-01.png"));
        const Result<QString> moved = trash.moveToTrash(second);
        QVERIFY2(moved, qPrintable(moved.error()));
        QVERIFY(QFileInfo::exists(homeTrash() + QStringLiteral("/info/Momentra_2024-05-01_10-00-01.png.trashinfo")));
        QVERIFY(!QFileInfo::exists(second));
    }

    void missingFileIsAnError()
    {
        FreedesktopTrash trash;
        const Result<QString> moved = trash.moveToTrash(m_dir->path() + QStringLiteral("/nothing.png"));
        QVERIFY(!moved);
        QVERIFY2(moved.error().contains(QLatin1String("nothing.png")), qPrintable(moved.error()));
    }

    void otherVolumesUseTheirOwnTrash_data()
    {
        QTest::addColumn<QString>("sharedTrash");  // how $topdir/.Trash is set up
        QTest::addColumn<QString>("expected");     // trash folder used, relative to the top
        const QString uid = QString::number(::geteuid());
        QTest::newRow("no .Trash") << QString() << QStringLiteral(".Trash-") + uid;
        QTest::newRow("sticky .Trash") << QStringLiteral("sticky") << QStringLiteral(".Trash/") + uid;
        QTest::newRow(".Trash without the sticky bit") << QStringLiteral("plain") << QStringLiteral(".Trash-") + uid;
        QTest::newRow(".Trash that is a link") << QStringLiteral("link") << QStringLiteral(".Trash-") + uid;
    }
    void otherVolumesUseTheirOwnTrash()
    {
        QFETCH(QString, sharedTrash);
        QFETCH(QString, expected);
        // A second device, as a USB drive or a separate /home would be.
        ScratchMount volume(ScratchMount::Kind::Tmpfs);
        QVERIFY2(volume.isMounted(), qPrintable(volume.error()));
        CleanupLibrary top(volume.path());
        if (sharedTrash == QLatin1String("sticky") || sharedTrash == QLatin1String("plain")) {
            top.makeFolder(QStringLiteral(".Trash"));
            QVERIFY(::chmod(QFile::encodeName(top.path(QStringLiteral(".Trash"))).constData(),
                            sharedTrash == QLatin1String("sticky") ? 01777 : 0777) == 0);
        } else if (sharedTrash == QLatin1String("link")) {
            const QString elsewhere = top.makeFolder(QStringLiteral("elsewhere"));
            QVERIFY(::chmod(QFile::encodeName(elsewhere).constData(), 01777) == 0);
            QVERIFY(top.makeLink(elsewhere, QStringLiteral(".Trash")));
        }
        const QString original = top.makeFile(QStringLiteral("Momentra/2024-05-01/Momentra_2024-05-01_10-00-00.png"));
        const ino_t inode = inodeOf(original);

        FreedesktopTrash trash;
        const Result<QString> moved = trash.moveToTrash(original);
        QVERIFY2(moved, qPrintable(moved.error()));
        const QString trashDir = top.path(expected);
        QCOMPARE(*moved, trashDir + QStringLiteral("/files/Momentra_2024-05-01_10-00-00.png"));
        QCOMPARE(inodeOf(*moved), inode);
        QCOMPARE(modeOf(trashDir), 0700);
        // Relative to the top of the volume, so it restores wherever the drive is mounted.
        QCOMPARE(readInfo(trashDir + QStringLiteral("/info/Momentra_2024-05-01_10-00-00.png.trashinfo")).value(QStringLiteral("Path")),
                 QStringLiteral("Momentra/2024-05-01/Momentra_2024-05-01_10-00-00.png"));
        QVERIFY(!QFileInfo::exists(homeTrash() + QStringLiteral("/files/Momentra_2024-05-01_10-00-00.png")));
        QVERIFY(!QFileInfo::exists(top.path(QStringLiteral("elsewhere/0"))));
    }

    void volumeWithoutATrashRefuses()
    {
        // A second device, as a USB drive or a separate /home would be.
        ScratchMount volume(ScratchMount::Kind::Tmpfs);
        QVERIFY2(volume.isMounted(), qPrintable(volume.error()));
        const QString original = CleanupLibrary(volume.path()).makeFile(QStringLiteral("2024-05-01/Momentra_2024-05-01_10-00-00.png"));
        QVERIFY(volume.remountReadOnly());
        FreedesktopTrash trash;
        const Result<QString> moved = trash.moveToTrash(original);
        QVERIFY(!moved);
        QVERIFY(QFileInfo::exists(original));
        QVERIFY(QDir(homeTrash() + QStringLiteral("/files")).isEmpty());  // no copy to the home Trash
    }

    // A file manager's Trash backend (GIO's, as Files and Thunar use it)
    // lists what we trashed with its original place and restores it there.
    void fileManagerListsAndRestores()
    {
        const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
        if (gio.isEmpty() || !QFileInfo::exists(QStringLiteral("/usr/libexec/gvfsd-trash")))
            QFAIL("needs gio (Debian package libglib2.0-bin) and gvfsd-trash (gvfs)");

        const QString original = file(QStringLiteral("Pictures/2024-05-01/Momentra_2024-05-01_10-00-00.png"), "restore me");
        FreedesktopTrash trash;
        QVERIFY(trash.moveToTrash(original));

        PrivateBus bus(PrivateBus::Kind::Session);
        QVERIFY2(bus.start(), qPrintable(bus.error()));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("GIO_USE_VFS"), QStringLiteral("gvfs"));
        auto run = [&](const QStringList& arguments) {
            QProcess process;
            process.setProcessEnvironment(environment);
            process.start(gio, arguments);
            process.waitForFinished(20000);
            return QString::fromUtf8(process.readAllStandardOutput());
        };
        const QString listing = run({QStringLiteral("trash"), QStringLiteral("--list")});
        run({QStringLiteral("trash"), QStringLiteral("--restore"), QStringLiteral("trash:///Momentra_2024-05-01_10-00-00.png")});

        QCOMPARE(listing.trimmed(), QStringLiteral("trash:///Momentra_2024-05-01_10-00-00.png\t") + original);
        QFile restored(original);
        QVERIFY(restored.open(QIODevice::ReadOnly));
        QCOMPARE(restored.readAll(), QByteArray("restore me"));
    }
};

QTEST_GUILESS_MAIN(FreedesktopTrashTest)
#include "tst_FreedesktopTrash.moc"
