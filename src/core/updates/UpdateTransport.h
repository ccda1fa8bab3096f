#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>

// How the update component reaches the network. Both calls return at once
// and call `done` later on the calling thread, exactly once; an error is a
// short user-facing reason ("the server did not answer within 30 seconds").
class UpdateTransport
{
public:
    virtual ~UpdateTransport() = default;

    // A small document (the feed, its signature): refused when larger than maxBytes.
    virtual void fetch(const QUrl& url, qint64 maxBytes, std::function<void(Result<QByteArray>)> done) = 0;
    // A package written into the file at path (created, mode 0600): refused
    // when larger than maxBytes. On failure the file may hold a part.
    virtual void download(const QUrl& url, const QString& path, qint64 maxBytes,
                          std::function<void(Result<void>)> done) = 0;
};
