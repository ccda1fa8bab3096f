#include "core/capture/CaptureTickResult.h"

#include <QStringList>

CaptureTickResult CaptureTickResult::success(int count, QMap<QString, int> displayOrdinals,
                                             std::optional<QString> failure)
{
    CaptureTickResult result;
    result.m_kind = Kind::Success;
    result.m_count = count;
    result.m_ordinals = std::move(displayOrdinals);
    result.m_message = std::move(failure);
    return result;
}

CaptureTickResult CaptureTickResult::failure(QString message)
{
    CaptureTickResult result;
    result.m_kind = Kind::Failure;
    result.m_message = std::move(message);
    return result;
}

CaptureTickResult CaptureTickResult::displayMissing(QMap<QString, int> displayOrdinals)
{
    CaptureTickResult result;
    result.m_kind = Kind::DisplayMissing;
    result.m_ordinals = std::move(displayOrdinals);
    return result;
}

QString CaptureTickResult::debugText() const
{
    QStringList ordinals;
    for (auto it = m_ordinals.cbegin(); it != m_ordinals.cend(); ++it)
        ordinals << it.key() + QLatin1Char(':') + QString::number(it.value());
    const QString dictionary = QLatin1Char('{') + ordinals.join(QStringLiteral(", ")) + QLatin1Char('}');
    switch (m_kind) {
    case Kind::Success:
        return QStringLiteral("success(count: %1, ordinals: %2, failure: %3)")
            .arg(m_count)
            .arg(dictionary, m_message ? QLatin1Char('"') + *m_message + QLatin1Char('"') : QStringLiteral("nil"));
    case Kind::Failure:
        return QStringLiteral("failure(\"%1\")").arg(message());
    case Kind::DisplayMissing:
        return QStringLiteral("displayMissing(ordinals: %1)").arg(dictionary);
    }
    return {};
}
