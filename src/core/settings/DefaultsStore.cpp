#include "core/settings/DefaultsStore.h"

#include "core/log/EventLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocale>
#include <QSaveFile>
#include <QSet>

DefaultsStore::DefaultsStore(QString path, EventLog& log, QObject* parent)
    : QObject(parent)
    , m_path(std::move(path))
    , m_log(log)
{
    reload();
    connect(&m_file, &SettingsFileWatch::touched, this, &DefaultsStore::reloadIfChanged);
}

QString DefaultsStore::standardPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Momentra/defaults.json");
}

QJsonValue DefaultsStore::value(const QString& key)
{
    reloadIfChanged();
    return m_values.value(key);
}

bool DefaultsStore::contains(const QString& key)
{
    reloadIfChanged();
    return m_values.contains(key);
}

QJsonObject DefaultsStore::all()
{
    reloadIfChanged();
    return m_values;
}

bool DefaultsStore::setValue(const QString& key, const QJsonValue& value)
{
    reloadIfChanged();
    const bool present = m_values.contains(key);
    if (value.isUndefined()) {
        if (!present)
            return true;
        m_values.remove(key);
    } else {
        if (present && m_values.value(key) == value && m_values.value(key).type() == value.type())
            return true;
        m_values.insert(key, value);
    }
    const bool saved = save();
    Q_EMIT valueChanged(key);
    return saved;
}

bool DefaultsStore::remove(const QString& key)
{
    return setValue(key, QJsonValue(QJsonValue::Undefined));
}

void DefaultsStore::reloadIfChanged()
{
    if (!m_file.isNew())
        return;
    const QJsonObject before = m_values;
    reload();
    QSet<QString> keys;
    for (const QString& key : before.keys())
        keys.insert(key);
    for (const QString& key : m_values.keys())
        keys.insert(key);
    QStringList changed;
    for (const QString& key : keys) {
        if (before.value(key) != m_values.value(key))
            changed << key;
    }
    changed.sort();
    for (const QString& key : changed)
        Q_EMIT valueChanged(key);
}

void DefaultsStore::reload()
{
    m_file.markSeen();
    QFile file(m_path);
    if (!file.exists()) {
        m_values = {};
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        // Unreadable: use defaults for now, but never overwrite what we cannot read.
        m_lastError = QStringLiteral("Couldn't read the settings file %1: %2").arg(m_path, file.errorString());
        m_values = {};
        return;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.trimmed().isEmpty()) {
        m_values = {};
        return;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        moveCorruptFileAside(error.error != QJsonParseError::NoError ? error.errorString()
                                                                     : QStringLiteral("not a JSON object"));
        m_values = {};
        return;
    }
    m_values = document.object();
}

void DefaultsStore::moveCorruptFileAside(const QString& reason)
{
    const QString stamp = QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = m_path + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_path + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    if (QFile::rename(m_path, aside)) {
        reportProblem(QStringLiteral("Settings file %1 was damaged (%2); moved it to %3 and "
                                     "using default settings")
                          .arg(m_path, reason, aside));
    } else {
        reportProblem(
            QStringLiteral("Settings file %1 was damaged (%2) and could not be moved aside").arg(m_path, reason));
    }
    m_file.markSeen();
}

void DefaultsStore::reportProblem(const QString& text)
{
    if (m_problems.contains(text))
        return;
    m_problems << text;
    m_log.logError(text);
}

bool DefaultsStore::save()
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QSaveFile file(m_path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        m_lastError = QStringLiteral("Couldn't save the settings file %1: %2").arg(m_path, file.errorString());
        m_log.logError(m_lastError);
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(QJsonDocument(m_values).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        m_lastError = QStringLiteral("Couldn't save the settings file %1: %2").arg(m_path, file.errorString());
        m_log.logError(m_lastError);
        return false;
    }
    m_file.markSeen();
    return true;
}
