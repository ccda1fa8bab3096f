#include "core/updates/UpdatePackage.h"

#include <QRegularExpression>

QString UpdatePackage::fileName(const QString& version) const
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._+~-]{0,200}$"));
    const QString last = url.fileName();
    if (plain.match(last).hasMatch() && last.endsWith(QLatin1Char('.') + kind))
        return last;
    return QStringLiteral("momentra_%1_%2.%3").arg(version, architecture, kind);
}
