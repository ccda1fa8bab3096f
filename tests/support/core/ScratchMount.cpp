#include "support/core/ScratchMount.h"

#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

ScratchMount::ScratchMount(Kind kind)
{
    if (::geteuid() != 0) {
        m_error = "mounting a scratch file system needs root: run the tests as root, as scripts/test.sh in CI does";
        return;
    }
    switch (kind) {
    case Kind::Tmpfs:
        m_mounted = run("mount", {"-t", "tmpfs", "-o", "size=16m", "momentra-test", path()});
        break;
    case Kind::Ext4Loop: {
        if (QStandardPaths::findExecutable("mkfs.ext4", {"/usr/sbin", "/sbin"}).isEmpty()) {
            m_error = "mkfs.ext4 is missing: install the Debian package e2fsprogs";
            return;
        }
        // 256-byte inodes and 4 KiB blocks, as a desktop's ext4 has them; mkfs creates the image file.
        const QString image = m_work.filePath("ext4.img");
        m_mounted = run("mkfs.ext4", {"-q", "-F", "-b", "4096", "-I", "256", image, "16M"})
                    && run("mount", {"-o", "loop", image, path()});
        break;
    }
    }
}

ScratchMount::~ScratchMount()
{
    if (m_mounted)
        run("umount", {path()});
}

bool ScratchMount::remountReadOnly()
{
    return run("mount", {"-o", "remount,ro", path()});
}

bool ScratchMount::run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = QString("%1 %2 failed: %3 %4")
                      .arg(program, arguments.join(' '),
                           QString::fromLocal8Bit(process.readAllStandardError()).trimmed(), process.errorString());
        return false;
    }
    return true;
}
