#include "support/ScratchMount.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

ScratchMount::ScratchMount(Kind kind)
{
    if (::geteuid() != 0) {
        m_error = QStringLiteral("mounting a scratch file system needs root");
        return;
    }
    switch (kind) {
    case Kind::Tmpfs:
        m_mounted = run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                  QStringLiteral("size=16m"), QStringLiteral("momentra-test"), path()});
        break;
    case Kind::Ramfs:
        m_mounted = run(QStringLiteral("mount"),
                        {QStringLiteral("-t"), QStringLiteral("ramfs"), QStringLiteral("momentra-test"), path()});
        break;
    case Kind::Ext4Loop: {
        if (QStandardPaths::findExecutable(QStringLiteral("mkfs.ext4"), {QStringLiteral("/usr/sbin"),
                                                                          QStringLiteral("/sbin")}).isEmpty()) {
            m_error = QStringLiteral("mkfs.ext4 is missing: install the Debian package e2fsprogs");
            return;
        }
        const QString image = m_work.filePath(QStringLiteral("ext4.img"));
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(16 * 1024 * 1024)) {
            m_error = QStringLiteral("couldn't create the image file");
            return;
        }
        file.close();
        // 256-byte inodes and 4 KiB blocks, as a desktop's ext4 has them.
        if (!run(QStringLiteral("mkfs.ext4"), {QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("-b"),
                                               QStringLiteral("4096"), QStringLiteral("-I"), QStringLiteral("256"),
                                               image}))
            return;
        m_mounted = run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"), image, path()});
        break;
    }
    }
}

ScratchMount::~ScratchMount()
{
    if (m_mounted)
        run(QStringLiteral("umount"), {path()});
}

bool ScratchMount::remountReadOnly()
{
    return run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), path()});
}

bool ScratchMount::run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = QStringLiteral("%1 %2 failed: %3")
                      .arg(program, arguments.join(QLatin1Char(' ')),
                           QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        if (process.error() == QProcess::FailedToStart)
            m_error += QStringLiteral(" (couldn't start %1)").arg(program);
        return false;
    }
    return true;
}
