#include "platform/linux/shortcuts/GSettingsTool.h"

#include <QProcess>

Result<QString> GSettingsTool::get(const QString& schema, const QString& key) const
{
    return run({QStringLiteral("get"), schema, key});
}

Result<void> GSettingsTool::set(const QString& schema, const QString& key, const QString& value) const
{
    const auto done = run({QStringLiteral("set"), schema, key, value});
    return done ? Result<void>::success() : Result<void>::failure(done.error());
}

Result<void> GSettingsTool::reset(const QString& schema, const QString& key) const
{
    const auto done = run({QStringLiteral("reset"), schema, key});
    return done ? Result<void>::success() : Result<void>::failure(done.error());
}

Result<QString> GSettingsTool::run(const QStringList& arguments) const
{
    QProcess process;
    process.start(QStringLiteral("gsettings"), arguments);
    if (!process.waitForStarted(kTimeoutMs))
        return Result<QString>::failure(QStringLiteral("gsettings could not be started (package libglib2.0-bin)"));
    if (!process.waitForFinished(kTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return Result<QString>::failure(QStringLiteral("gsettings did not finish"));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return Result<QString>::failure(QString::fromUtf8(process.readAllStandardError()).trimmed());
    return Result<QString>(QString::fromUtf8(process.readAllStandardOutput()).trimmed());
}

QString GSettingsTool::quoted(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + escaped + u'\'';
}

QString GSettingsTool::quotedList(const QStringList& list)
{
    if (list.isEmpty())
        return QStringLiteral("@as []");
    QStringList items;
    for (const QString& item : list)
        items << quoted(item);
    return u'[' + items.join(QStringLiteral(", ")) + u']';
}

std::optional<QStringList> GSettingsTool::parseList(const QString& text)
{
    QString rest = text.trimmed();
    if (rest.startsWith(QLatin1String("@as ")))
        rest = rest.mid(4).trimmed();
    if (!rest.startsWith(u'[') || !rest.endsWith(u']'))
        return std::nullopt;
    QStringList items;
    qsizetype i = 1;
    const qsizetype end = rest.size() - 1;
    while (i < end) {
        const QChar c = rest.at(i);
        if (c == u' ' || c == u',') {
            ++i;
            continue;
        }
        if (c != u'\'' && c != u'"')
            return std::nullopt;
        QString item;
        qsizetype j = i + 1;
        for (; j < end && rest.at(j) != c; ++j) {
            if (rest.at(j) == u'\\' && j + 1 < end)
                ++j;
            item += rest.at(j);
        }
        if (j >= end)
            return std::nullopt;
        items << item;
        i = j + 1;
    }
    return items;
}
