#include "cli/StderrLogMirror.h"

#include <QDateTime>

#include <cstdio>

void StderrLogMirror::write(const QString& message, bool isError)
{
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss "))
                         + (isError ? QStringLiteral("error: ") : QString()) + message + QLatin1Char('\n');
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
    if (m_next)
        m_next->write(message, isError);
}
