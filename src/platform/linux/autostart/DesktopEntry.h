#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// The [Desktop Entry] group of a desktop entry file (the freedesktop.org
// Desktop Entry specification 1.5): reading the keys Momentra needs, and
// writing an Exec line that the desktop splits back into the same arguments.
class DesktopEntry
{
public:
    static DesktopEntry parse(const QByteArray& contents);

    // The value of a key with the string escapes (\s \n \t \r \\) undone;
    // empty when the key is absent. Localised keys are not read.
    QString value(const QString& key) const;
    bool contains(const QString& key) const { return m_values.contains(key); }
    // Exec split into its arguments, with quoting and %% undone; field codes
    // such as %U stay as they are.
    QStringList execArguments() const;

    // An Exec value that starts `arguments` exactly: every argument that
    // holds a reserved character is quoted, % is doubled, and the string
    // escapes are applied on top.
    static QString execLine(const QStringList& arguments);

private:
    QMap<QString, QString> m_values;  // raw, still escaped
};
