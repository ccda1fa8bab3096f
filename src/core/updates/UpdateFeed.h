#pragma once

#include "core/Result.h"
#include "core/updates/UpdatePackage.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// The update feed: one JSON object naming the newest release.
//
//   {
//     "version": "1.2.0",
//     "releaseDate": "2025-06-01",
//     "notes": "Short release notes, plain text.",
//     "releasePage": "https://momentra.app/releases/1.2.0",
//     "packages": [
//       {"kind": "deb", "architecture": "amd64", "url": "https://…/momentra_1.2.0_amd64.deb",
//        "size": 1234567, "sha256": "64 hex digits"}
//     ]
//   }
//
// Its bytes are signed as they are; parse() runs only on a feed whose
// signature was checked.
struct UpdateFeed
{
    QString version;
    QDate releaseDate;  // invalid when the feed gives none
    QString notes;
    QUrl releasePage;
    QList<UpdatePackage> packages;

    static Result<UpdateFeed> parse(const QByteArray& json);
    // The package of this kind for this architecture, if the release has one.
    std::optional<UpdatePackage> package(const QString& kind, const QString& architecture) const;
    // Debian's architecture name for a CPU architecture as Qt names it ("x86_64" → "amd64").
    static QString debianArchitecture(const QString& cpuArchitecture);
};
