#include "core/updates/FeedSignature.h"

#include <sodium.h>

namespace {

// Strict Base64 of exactly `size` bytes; empty when it is anything else.
QByteArray decode(const QByteArray& text, qsizetype size)
{
    const auto decoded = QByteArray::fromBase64Encoding(text.trimmed(), QByteArray::Base64Encoding
                                                                            | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != size)
        return {};
    return decoded.decoded;
}

}  // namespace

Result<void> FeedSignature::verify(const QByteArray& feed, const QByteArray& signatureFile,
                                   const QByteArray& publicKeyBase64)
{
    if (sodium_init() < 0)
        return Result<void>::failure(QStringLiteral("the signature can't be checked (libsodium did not start)"));
    const QByteArray key = decode(publicKeyBase64, crypto_sign_PUBLICKEYBYTES);
    if (key.isEmpty())
        return Result<void>::failure(QStringLiteral("this build has no valid key to check updates with"));
    const QByteArray signature = decode(signatureFile, crypto_sign_BYTES);
    if (signature.isEmpty())
        return Result<void>::failure(QStringLiteral("the update information's signature is missing or malformed"));
    const int checked = crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.constData()),
                                                    reinterpret_cast<const unsigned char*>(feed.constData()),
                                                    quint64(feed.size()),
                                                    reinterpret_cast<const unsigned char*>(key.constData()));
    if (checked != 0)
        return Result<void>::failure(QStringLiteral("the update information's signature is not valid"));
    return Result<void>::success();
}
