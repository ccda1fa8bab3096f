#include "platform/linux/shortcuts/GSettingsTool.h"

#include <QTimer>

GSettingsTool::GSettingsTool(QObject* parent)
    : QObject(parent)
{
}

// A command still running is cut off without telling anyone.
GSettingsTool::~GSettingsTool()
{
    if (!m_process)
        return;
    m_process->disconnect();
    m_process->kill();
    m_process->waitForFinished(kTimeoutMs);
}

QStringList GSettingsTool::get(const QString& schema, const QString& key)
{
    return {QStringLiteral("get"), schema, key};
}

QStringList GSettingsTool::set(const QString& schema, const QString& key, const QString& value)
{
    return {QStringLiteral("set"), schema, key, value};
}

QStringList GSettingsTool::reset(const QString& schema, const QString& key)
{
    return {QStringLiteral("reset"), schema, key};
}

void GSettingsTool::run(QList<QStringList> commands, Done done)
{
    if (commands.isEmpty()) {
        done(QString());
        return;
    }
    runNext(std::move(commands), done);
}

void GSettingsTool::runNext(QList<QStringList> commands, const Done& done)
{
    auto* process = new QProcess(this);
    m_process = process;
    QTimer::singleShot(kTimeoutMs, process, [process] { process->kill(); });
    const auto finish = [this, process, commands, done] {
        process->disconnect();
        process->deleteLater();
        const Result<QString> output = outcome(*process);
        if (!output || commands.size() == 1) {
            done(output);
            return;
        }
        runNext(commands.mid(1), done);
    };
    connect(process, &QProcess::finished, this, finish);
    connect(process, &QProcess::errorOccurred, this, [process, finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish();  // no finished() follows
    });
    process->start(QStringLiteral("gsettings"), commands.first());
}

Result<QString> GSettingsTool::outcome(QProcess& process)
{
    if (process.error() == QProcess::FailedToStart)
        return Result<QString>::failure(QStringLiteral("gsettings could not be started (package libglib2.0-bin)"));
    if (process.exitStatus() != QProcess::NormalExit)
        return Result<QString>::failure(QStringLiteral("gsettings did not finish"));
    if (process.exitCode() != 0)
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
