#include "platform/linux/FreedesktopTrash.h"
#include "support/core/CleanupLibrary.h"
#include "support/core/ScratchMount.h"
#include "support/core/TestHome.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct stat statOf(const QString& path)
{
    struct stat info
    {
    };
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info;
}

QMap<QString, QString> readInfo(const QString& path)
{
    QFile file(path);
    QMap<QString, QString> values;
    if (!file.open(QIODevice::ReadOnly))
        return values;
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    values.insert("header", lines.value(0));
    for (const QString& line : lines.mid(1))
        values.insert(line.section('=', 0, 0), line.section('=', 1));
    return values;
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class FreedesktopTrashTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    std::unique_ptr<QTemporaryDir> m_dir;

    QString homeTrash() const { return m_home.dataHome() + "/Trash"; }
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
        const QString original = file("a b/Momentra shot 100%é.png");
        const ino_t inode = statOf(original).st_ino;
        FreedesktopTrash trash;
        const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
        const Result<QString> moved = trash.moveToTrash(QFile::encodeName(original));
        QVERIFY2(moved, qPrintable(moved.error()));

        const QString name = "Momentra shot 100%é.png";
        QCOMPARE(*moved, homeTrash() + "/files/" + name);
        QVERIFY(!QFileInfo::exists(original));
        QCOMPARE(statOf(*moved).st_ino, inode);  // renamed, never copied
        const auto info = readInfo(homeTrash() + "/info/" + name + ".trashinfo");
        QCOMPARE(info.value("header"), "[Trash Info]");
        QCOMPARE(info.value("Path"), QUrl::toPercentEncoding(original, "/"));
        QVERIFY(info.value("Path").endsWith("a%20b/Momentra%20shot%20100%25%C3%A9.png"));
        const QDateTime deleted = QDateTime::fromString(info.value("DeletionDate"), "yyyy-MM-ddTHH:mm:ss");
        QVERIFY(deleted >= before && deleted <= QDateTime::currentDateTime().addSecs(1));
        for (const QString& folder : {homeTrash(), homeTrash() + "/files", homeTrash() + "/info"})
            QCOMPARE(statOf(folder).st_mode & 07777, 0700u);

        // A link is moved, not followed.
        const QString target = file("target.png", "keep me");
        QVERIFY(CleanupLibrary(m_dir->path()).makeLink(target, "day/Momentra_2024-05-01_10-00-00.png"));
        const Result<QString> link = trash.moveToTrash(
            QFile::encodeName(m_dir->path() + "/day/Momentra_2024-05-01_10-00-00.png"));
        QVERIFY(link && QFileInfo(*link).isSymLink());
        QCOMPARE(contentOf(target), "keep me");
    }

    void namesStayUnique()
    {
        const QString name = "Momentra_2024-05-01_10-00-00.jpeg";
        const QString stray = "Momentra_2024-05-01_10-00-00.2.jpeg";
        // A stray file without its info file is never overwritten.
        CleanupLibrary(homeTrash()).makeFile("files/" + stray, "stray");
        FreedesktopTrash trash;
        QStringList originals;
        for (int i = 0; i < 3; ++i) {
            originals << file(QString("day%1/").arg(i) + name, QByteArray::number(i));
            QVERIFY(trash.moveToTrash(QFile::encodeName(originals.last())));
        }
        const QStringList trashedAs = {name, "Momentra_2024-05-01_10-00-00.3.jpeg",
                                       "Momentra_2024-05-01_10-00-00.4.jpeg"};
        QCOMPARE(QDir(homeTrash() + "/files").entryList(QDir::Files, QDir::Name),
                 QStringList({stray}) + trashedAs.mid(1) + QStringList{name});
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(readInfo(homeTrash() + "/info/" + trashedAs[i] + ".trashinfo").value("Path"),
                     QUrl::toPercentEncoding(originals[i], "/"));
            QCOMPARE(contentOf(homeTrash() + "/files/" + trashedAs[i]), QByteArray::number(i));
        }
        QCOMPARE(contentOf(homeTrash() + "/files/" + stray), "stray");
        QVERIFY(!QFileInfo::exists(homeTrash() + "/info/" + stray + ".trashinfo"));
    }

    void otherVolumesUseTheirOwnTrash_data()
    {
        QTest::addColumn<QString>("sharedTrash");  // how $topdir/.Trash is set up, or the volume read-only
        QTest::addColumn<QString>("expected");     // trash folder used, relative to the top; none: refused
        const QString uid = QString::number(::geteuid());
        QTest::newRow("no .Trash") << QString() << ".Trash-" + uid;
        QTest::newRow("sticky .Trash") << "sticky"
                                       << ".Trash/" + uid;
        QTest::newRow(".Trash without the sticky bit") << "plain"
                                                       << ".Trash-" + uid;
        QTest::newRow(".Trash that is a link") << "link"
                                               << ".Trash-" + uid;
        QTest::newRow("read-only volume without a Trash") << "read-only" << QString();
    }
    void otherVolumesUseTheirOwnTrash()
    {
        QFETCH(QString, sharedTrash);
        QFETCH(QString, expected);
        ScratchMount volume(ScratchMount::Kind::Tmpfs);  // a second device, like a USB drive
        QVERIFY2(volume.isMounted(), qPrintable(volume.error()));
        CleanupLibrary top(volume.path());
        if (sharedTrash == "link") {
            const QString elsewhere = top.makeFolder("elsewhere");
            QCOMPARE(::chmod(QFile::encodeName(elsewhere).constData(), 01777), 0);
            QVERIFY(top.makeLink(elsewhere, ".Trash"));
        } else if (sharedTrash == "sticky" || sharedTrash == "plain") {
            QCOMPARE(::chmod(QFile::encodeName(top.makeFolder(".Trash")).constData(),
                             sharedTrash == "sticky" ? 01777 : 0777),
                     0);
        }
        const QString original = top.makeFile("Momentra/2024-05-01/Momentra_2024-05-01_10-00-00.png");
        const ino_t inode = statOf(original).st_ino;
        if (sharedTrash == "read-only")
            QVERIFY(volume.remountReadOnly());

        const Result<QString> moved = FreedesktopTrash().moveToTrash(QFile::encodeName(original));
        if (expected.isEmpty()) {
            QVERIFY(!moved && QFileInfo::exists(original));
            QVERIFY(QDir(homeTrash() + "/files").isEmpty());  // no copy to the home Trash
            return;
        }
        QVERIFY2(moved, qPrintable(moved.error()));
        const QString trashDir = top.path(expected);
        QCOMPARE(*moved, trashDir + "/files/Momentra_2024-05-01_10-00-00.png");
        QCOMPARE(statOf(*moved).st_ino, inode);
        QCOMPARE(statOf(trashDir).st_mode & 07777, 0700u);
        // Relative to the top of the volume, so it restores wherever the drive is mounted.
        QCOMPARE(readInfo(trashDir + "/info/Momentra_2024-05-01_10-00-00.png.trashinfo").value("Path"),
                 "Momentra/2024-05-01/Momentra_2024-05-01_10-00-00.png");
        QVERIFY(!QFileInfo::exists(top.path("elsewhere/0")));
    }
};

QTEST_GUILESS_MAIN(FreedesktopTrashTest)
#include "tst_FreedesktopTrash.moc"
