#pragma once

#include <QStringList>

// `momentra run`: the capture engine in the foreground, without the tray.
class RunCommand
{
public:
    static int run(const QStringList& arguments);
};
