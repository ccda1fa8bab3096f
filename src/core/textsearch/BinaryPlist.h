#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A binary property list ("bplist00", format version 1.0) whose only object
// is one string: the value of the desktop's text-content attribute. Strings
// of ASCII characters are stored as ASCII, all others as UTF-16 big-endian,
// as the platform's own serialiser does.
class BinaryPlist
{
public:
    static QByteArray encodeString(const QString& text);
    // The root string, or nothing when the bytes are not a binary property
    // list whose root object is a string.
    static std::optional<QString> decodeString(const QByteArray& data);
};
