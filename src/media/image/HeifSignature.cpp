#include "media/image/HeifSignature.h"

#include <QtEndian>

#include <array>

namespace {

constexpr std::array<const char*, 12> kBrands{"heic", "heix", "heim", "heis", "hevc", "hevx",
                                              "hevm", "hevs", "mif1", "msf1", "avif", "avis"};

bool isHeifBrand(const char* brand)
{
    for (const char* known : kBrands) {
        if (qstrncmp(brand, known, 4) == 0)
            return true;
    }
    return false;
}

}  // namespace

bool HeifSignature::matches(const QByteArray& data)
{
    if (data.size() < 16 || data.mid(4, 4) != "ftyp")
        return false;
    // The box: size, "ftyp", major brand, minor version, compatible brands.
    const qsizetype boxSize = qMin<qsizetype>(qFromBigEndian<quint32>(data.constData()), data.size());
    if (isHeifBrand(data.constData() + 8))
        return true;
    for (qsizetype at = 16; at + 4 <= boxSize; at += 4) {
        if (isHeifBrand(data.constData() + at))
            return true;
    }
    return false;
}
