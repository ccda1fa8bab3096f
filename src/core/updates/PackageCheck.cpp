#include "core/updates/PackageCheck.h"

#include <QCryptographicHash>
#include <QFile>

Result<void> PackageCheck::verify(const QString& path, const UpdatePackage& package)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<void>::failure(QStringLiteral("it can't be read (%1)").arg(file.errorString()));
    if (file.size() != package.size)
        return Result<void>::failure(
            QStringLiteral("its size is %1 bytes, not %2 as announced").arg(file.size()).arg(package.size));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return Result<void>::failure(QStringLiteral("it can't be read (%1)").arg(file.errorString()));
    if (hash.result().toHex() != package.sha256)
        return Result<void>::failure(QStringLiteral("its SHA-256 does not match the update information"));
    return Result<void>::success();
}
