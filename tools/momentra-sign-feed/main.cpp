// momentra-sign-feed: the update feed's signing tool, for whoever publishes
// releases. It never runs on a user's computer and is never installed.
//
//   momentra-sign-feed keygen SECRET PUBLIC
//       Makes an Ed25519 key pair: SECRET (mode 0600) stays with the
//       publisher, PUBLIC is the build's MOMENTRA_UPDATE_PUBLIC_KEY.
//   momentra-sign-feed sign SECRET FEED
//       Writes FEED.sig: the detached signature of FEED's exact bytes in
//       Base64 on one line, which is what Momentra checks.

#include <sodium.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

int fail(const std::string& message)
{
    std::cerr << "momentra-sign-feed: " << message << '\n';
    return 1;
}

std::string toBase64(const Bytes& bytes)
{
    std::string text(sodium_base64_encoded_len(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(), sodium_base64_VARIANT_ORIGINAL);
    text.resize(std::strlen(text.c_str()));
    return text;
}

// Exactly `size` bytes of strict Base64, surrounding white space allowed.
std::optional<Bytes> fromBase64(const std::string& text, size_t size)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    const size_t last = text.find_last_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::nullopt;
    const std::string trimmed = text.substr(first, last - first + 1);
    Bytes bytes(size);
    size_t length = 0;
    const char* end = nullptr;
    if (sodium_base642bin(bytes.data(), bytes.size(), trimmed.data(), trimmed.size(), nullptr, &length, &end,
                          sodium_base64_VARIANT_ORIGINAL)
            != 0
        || length != size || end != trimmed.data() + trimmed.size())
        return std::nullopt;
    return bytes;
}

std::optional<std::string> readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad())
        return std::nullopt;
    return contents.str();
}

bool writeAll(int fd, const std::string& contents)
{
    size_t written = 0;
    while (written < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += size_t(n);
    }
    return ::fsync(fd) == 0;
}

// A file that must not exist yet: a key is never overwritten by accident.
bool writeNewFile(const std::string& path, const std::string& contents, mode_t mode)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    const bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, contents);
    return ::close(fd) == 0 && ok;
}

// Replaced at once: a reader sees the old signature or the new one, never half of one.
bool replaceFile(const std::string& path, const std::string& contents)
{
    const std::string temporary = path + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, contents);
    if (::close(fd) != 0 || !ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

int keygen(const std::string& secretPath, const std::string& publicPath)
{
    Bytes publicKey(crypto_sign_PUBLICKEYBYTES);
    Bytes secretKey(crypto_sign_SECRETKEYBYTES);
    crypto_sign_keypair(publicKey.data(), secretKey.data());
    const std::string secretText = toBase64(secretKey) + '\n';
    sodium_memzero(secretKey.data(), secretKey.size());
    if (!writeNewFile(secretPath, secretText, 0600))
        return fail("can't write the secret key " + secretPath + ": " + std::strerror(errno)
                    + " (an existing key is never overwritten)");
    if (!writeNewFile(publicPath, toBase64(publicKey) + '\n', 0644)) {
        const int error = errno;
        ::unlink(secretPath.c_str());
        return fail("can't write the public key " + publicPath + ": " + std::strerror(error)
                    + " (an existing key is never overwritten)");
    }
    std::cout << "Public key (configure with -DMOMENTRA_UPDATE_PUBLIC_KEY=" << toBase64(publicKey) << ")\n"
              << "Keep " << secretPath << " secret, away from the repository.\n";
    return 0;
}

int sign(const std::string& secretPath, const std::string& feedPath)
{
    const std::optional<std::string> secretText = readFile(secretPath);
    if (!secretText)
        return fail("can't read the secret key " + secretPath);
    std::optional<Bytes> secretKey = fromBase64(*secretText, crypto_sign_SECRETKEYBYTES);
    if (!secretKey)
        return fail(secretPath + " is not a secret key made by momentra-sign-feed keygen");
    struct stat info
    {
    };
    if (::stat(secretPath.c_str(), &info) == 0 && (info.st_mode & 077) != 0)
        std::cerr << "momentra-sign-feed: warning: " << secretPath << " can be read by others; chmod 600 it\n";
    const std::optional<std::string> feed = readFile(feedPath);
    if (!feed)
        return fail("can't read the feed " + feedPath);

    Bytes signature(crypto_sign_BYTES);
    Bytes publicKey(crypto_sign_PUBLICKEYBYTES);
    const auto* feedBytes = reinterpret_cast<const unsigned char*>(feed->data());
    crypto_sign_detached(signature.data(), nullptr, feedBytes, feed->size(), secretKey->data());
    crypto_sign_ed25519_sk_to_pk(publicKey.data(), secretKey->data());
    sodium_memzero(secretKey->data(), secretKey->size());
    if (crypto_sign_verify_detached(signature.data(), feedBytes, feed->size(), publicKey.data()) != 0)
        return fail(secretPath + " is damaged: its signature does not check against its own public key");

    const std::string signaturePath = feedPath + ".sig";
    if (!replaceFile(signaturePath, toBase64(signature) + '\n'))
        return fail("can't write " + signaturePath + ": " + std::strerror(errno));
    std::cout << "Wrote " << signaturePath << "; it checks against the public key " << toBase64(publicKey) << '\n';
    return 0;
}

int usage()
{
    std::cerr << "usage: momentra-sign-feed keygen SECRET PUBLIC\n"
                 "       momentra-sign-feed sign SECRET FEED\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return usage();
    if (sodium_init() < 0)
        return fail("libsodium did not start");
    const std::string command = argv[1];
    if (command == "keygen")
        return keygen(argv[2], argv[3]);
    if (command == "sign")
        return sign(argv[2], argv[3]);
    return usage();
}
