#pragma once

#include <QString>
#include <QStringList>

// `momentra toggle | start | stop`: asks the running instance over D-Bus.
class RemoteCommand
{
public:
    static int call(const QString& method, const QStringList& arguments);
};
