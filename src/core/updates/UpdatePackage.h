#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// One downloadable package of a release, as the feed names it.
struct UpdatePackage
{
    QString kind;          // "deb"
    QString architecture;  // Debian's name: "amd64", "arm64"
    QUrl url;              // HTTPS (the update network refuses anything else)
    qint64 size = 0;       // bytes
    QByteArray sha256;     // 64 lower-case hex digits

    // The file name it is saved under: the address's last part when that is
    // a plain file name of the kind, else one made from the version.
    QString fileName(const QString& version) const;
};
