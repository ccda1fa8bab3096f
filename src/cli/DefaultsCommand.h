#pragma once

#include "cli/CommandRegistry.h"

#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>

class DefaultsStore;

// `momentra defaults read [KEY] | write KEY [--TYPE] VALUE | delete KEY`:
// reads and writes the settings file with JSON types kept.
class DefaultsCommand
{
public:
    static Command command();
    static int run(DefaultsStore& store, const QStringList& arguments);

    // "--int" "45" → 45; nothing (and a message) when the value does not fit the type.
    static std::optional<QJsonValue> parseTypedValue(const QString& type, const QString& text, QString* error);
    static QString describe(const QJsonValue& value);  // plain text for printing

private:
    static int read(DefaultsStore& store, const QStringList& arguments);
    static int write(DefaultsStore& store, const QStringList& arguments);
    static int remove(DefaultsStore& store, const QStringList& arguments);
};
