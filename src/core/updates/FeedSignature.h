#pragma once

#include "core/Result.h"

#include <QByteArray>

// The feed's signature: an Ed25519 signature (libsodium's detached form,
// 64 bytes) over the feed file's exact bytes, written in Base64 as a text
// file of its own beside the feed (the feed's address with ".sig" added).
// The public key, 32 bytes in Base64, is compiled into the build.
class FeedSignature
{
public:
    static constexpr qint64 kMaxFileBytes = 1024;

    // Success only when signatureFile holds a valid signature of feed by the
    // key; a missing, malformed or wrong signature is a failure.
    static Result<void> verify(const QByteArray& feed, const QByteArray& signatureFile,
                               const QByteArray& publicKeyBase64);
};
