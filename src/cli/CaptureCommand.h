#pragma once

#include <QStringList>

// `momentra capture`: one capture now with the stored settings.
class CaptureCommand
{
public:
    static int run(const QStringList& arguments);
};
