#pragma once

#include "cli/CommandRegistry.h"

// `momentra toggle | start | stop`: asks the running instance over D-Bus.
class RemoteCommand
{
public:
    static Command toggle();
    static Command start();
    static Command stop();

    static int call(const QString& method, const QStringList& arguments);
};
