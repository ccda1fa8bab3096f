#pragma once

#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>

// `momentra defaults read [KEY] | write KEY [--TYPE] VALUE | delete KEY`:
// reads and writes the settings file with JSON types kept.
class DefaultsCommand
{
public:
    static int run(const QStringList& arguments);

    // "--int" "45" → 45; nothing (and a message) when the value does not fit the type.
    static std::optional<QJsonValue> parseTypedValue(const QString& type, const QString& text, QString* error);
    static QString describe(const QJsonValue& value);  // plain text for printing

private:
    static int read(const QStringList& arguments);
    static int write(const QStringList& arguments);
    static int remove(const QStringList& arguments);
};
