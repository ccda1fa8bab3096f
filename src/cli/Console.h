#pragma once

#include <QString>

// Plain text output for commands: standard output for results, standard
// error for messages. Errors are one line, prefixed with "momentra: ".
class Console
{
public:
    static void out(const QString& text);   // text + line feed on stdout
    static void err(const QString& text);   // text + line feed on stderr
    static int usageError(const QString& message);  // prints "momentra: message", returns 2
    static int failure(const QString& message);     // prints "momentra: message", returns 1
    static bool isTerminal();                // stdout is a terminal
};
