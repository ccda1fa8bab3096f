#include "core/capture/ByteCountText.h"

#include <QLocale>

#include <array>
#include <cmath>

namespace {

QString withoutTrailingZeros(QString text, QChar point)
{
    if (!text.contains(point))
        return text;
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(point))
        text.chop(1);
    return text;
}

}  // namespace

QString ByteCountText::file(qint64 bytes)
{
    if (bytes == 0)
        return QStringLiteral("Zero KB");
    const qint64 magnitude = bytes < 0 ? -bytes : bytes;
    if (magnitude < 1000)
        return QString::number(bytes) + (magnitude == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));

    struct Unit
    {
        const char* name;
        int decimals;
    };
    static constexpr std::array<Unit, 6> kUnits{
        {{"KB", 0}, {"MB", 1}, {"GB", 2}, {"TB", 2}, {"PB", 2}, {"EB", 2}}};
    const QLocale locale;
    double value = double(bytes) / 1000.0;
    for (std::size_t i = 0; i < kUnits.size(); ++i) {
        const double scale = std::pow(10.0, kUnits[i].decimals);
        const double rounded = std::round(value * scale) / scale;
        // 999,999 bytes round to 1,000 KB: show "1 MB" instead.
        if (std::fabs(rounded) < 1000.0 || i + 1 == kUnits.size()) {
            const QString number = withoutTrailingZeros(
                locale.toString(rounded, 'f', kUnits[i].decimals), locale.decimalPoint().at(0));
            return number + QLatin1Char(' ') + QLatin1String(kUnits[i].name);
        }
        value /= 1000.0;
    }
    return {};
}
