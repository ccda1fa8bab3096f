#include "cli/DefaultsCommand.h"

#include "app/AppRoot.h"
#include "cli/Console.h"
#include "core/settings/DefaultsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

const QString kUsage = QStringLiteral(
    "defaults read [KEY] | defaults write KEY [--int|--bool|--float|--string|--array|--dict] VALUE | "
    "defaults delete KEY");

std::optional<QJsonValue> parseJson(const QString& text, bool wantArray)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    if (wantArray && document.isArray())
        return QJsonValue(document.array());
    if (!wantArray && document.isObject())
        return QJsonValue(document.object());
    return std::nullopt;
}

}  // namespace

Command DefaultsCommand::command()
{
    return {QStringLiteral("defaults"), kUsage,
            QStringLiteral("read, write or delete a setting in the settings file (JSON types kept)"),
            [](AppRoot& root, const QStringList& arguments) { return run(root.defaults(), arguments); }};
}

int DefaultsCommand::run(DefaultsStore& store, const QStringList& arguments)
{
    if (arguments.isEmpty())
        return Console::usageError(QStringLiteral("usage: momentra ") + kUsage);
    const QString verb = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (verb == QLatin1String("read"))
        return read(store, rest);
    if (verb == QLatin1String("write"))
        return write(store, rest);
    if (verb == QLatin1String("delete"))
        return remove(store, rest);
    return Console::usageError(QStringLiteral("unknown defaults action \"%1\"; use read, write or delete").arg(verb));
}

QString DefaultsCommand::describe(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    default: {
        // Numbers print as JSON does: 45, 0.6.
        const QByteArray json = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        return QString::fromUtf8(json.mid(1, json.size() - 2));
    }
    }
}

std::optional<QJsonValue> DefaultsCommand::parseTypedValue(const QString& type, const QString& text, QString* error)
{
    if (type == QLatin1String("--string"))
        return QJsonValue(text);
    if (type == QLatin1String("--int")) {
        bool ok = false;
        const qint64 value = text.trimmed().toLongLong(&ok);
        if (ok)
            return QJsonValue(value);
        *error = QStringLiteral("\"%1\" is not an integer").arg(text);
    } else if (type == QLatin1String("--float")) {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        if (ok && std::isfinite(value))
            return QJsonValue(value);
        *error = QStringLiteral("\"%1\" is not a number").arg(text);
    } else if (type == QLatin1String("--bool")) {
        const QString t = text.trimmed().toLower();
        if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("1"))
            return QJsonValue(true);
        if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("0"))
            return QJsonValue(false);
        *error = QStringLiteral("\"%1\" is not a Boolean (use true or false)").arg(text);
    } else if (type == QLatin1String("--array") || type == QLatin1String("--dict")) {
        const bool array = type == QLatin1String("--array");
        if (auto value = parseJson(text, array))
            return value;
        *error = QStringLiteral("\"%1\" is not a JSON %2")
                     .arg(text, array ? QStringLiteral("array") : QStringLiteral("object"));
    } else {
        *error = QStringLiteral("unknown type %1; use --int, --bool, --float, --string, --array or --dict").arg(type);
    }
    return std::nullopt;
}

int DefaultsCommand::read(DefaultsStore& store, const QStringList& arguments)
{
    if (arguments.size() > 1)
        return Console::usageError(QStringLiteral("usage: momentra defaults read [KEY]"));
    if (arguments.isEmpty()) {
        Console::out(QString::fromUtf8(QJsonDocument(store.all()).toJson(QJsonDocument::Indented)).trimmed());
        return 0;
    }
    const QJsonValue value = store.value(arguments.first());
    if (value.isUndefined())
        return Console::failure(QStringLiteral("no setting named %1").arg(arguments.first()));
    Console::out(describe(value));
    return 0;
}

int DefaultsCommand::write(DefaultsStore& store, const QStringList& arguments)
{
    QStringList words = arguments;
    if (words.isEmpty())
        return Console::usageError(QStringLiteral("usage: momentra defaults write KEY [--TYPE] VALUE"));
    const QString key = words.takeFirst();
    if (key.isEmpty() || key.startsWith(QLatin1String("--")))
        return Console::usageError(
            QStringLiteral("the setting's name comes first: momentra defaults write KEY [--TYPE] VALUE"));
    QString type = QStringLiteral("--string");
    if (!words.isEmpty() && words.first().startsWith(QLatin1String("--")))
        type = words.takeFirst();
    if (words.size() != 1)
        return Console::usageError(QStringLiteral("usage: momentra defaults write KEY [--TYPE] VALUE"));
    QString error;
    const auto value = parseTypedValue(type, words.first(), &error);
    if (!value)
        return Console::usageError(error);
    if (!store.setValue(key, *value))
        return Console::failure(store.lastError());
    return 0;
}

int DefaultsCommand::remove(DefaultsStore& store, const QStringList& arguments)
{
    if (arguments.size() != 1)
        return Console::usageError(QStringLiteral("usage: momentra defaults delete KEY"));
    if (!store.contains(arguments.first()))
        return Console::failure(QStringLiteral("no setting named %1").arg(arguments.first()));
    if (!store.remove(arguments.first()))
        return Console::failure(store.lastError());
    return 0;
}
