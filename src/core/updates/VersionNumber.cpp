#include "core/updates/VersionNumber.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

qlonglong part(const QStringList& parts, qsizetype index)
{
    if (index >= parts.size())
        return 0;
    const QString& text = parts.at(index);
    qsizetype digits = 0;
    while (digits < text.size() && text.at(digits).isDigit())
        ++digits;
    return text.left(digits).toLongLong();
}

}  // namespace

int VersionNumber::compare(const QString& a, const QString& b)
{
    const QStringList left = a.trimmed().split(QLatin1Char('.'));
    const QStringList right = b.trimmed().split(QLatin1Char('.'));
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const qlonglong l = part(left, i);
        const qlonglong r = part(right, i);
        if (l != r)
            return l < r ? -1 : 1;
    }
    return 0;
}

bool VersionNumber::isValid(const QString& version)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{1,9}(\\.\\d{1,9}){0,3}$"));
    return pattern.match(version).hasMatch();
}
