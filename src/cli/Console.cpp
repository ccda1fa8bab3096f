#include "cli/Console.h"

#include <cstdio>
#include <unistd.h>

void Console::out(const QString& text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void Console::err(const QString& text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

int Console::usageError(const QString& message)
{
    err(QStringLiteral("momentra: ") + message);
    return 2;
}

int Console::failure(const QString& message)
{
    err(QStringLiteral("momentra: ") + message);
    return 1;
}

bool Console::isTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}
