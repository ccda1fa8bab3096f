#include "app/ApplicationRestart.h"

#include <QCoreApplication>
#include <QProcess>

namespace {

QString g_program;
QStringList g_arguments;

void startSuccessor()
{
    if (!QProcess::startDetached(g_program, g_arguments))
        qWarning("Momentra: couldn't start %s again", qPrintable(g_program));
}

}

void ApplicationRestart::restart(const std::function<void()>& quit)
{
    if (!g_program.isEmpty())
        return;
    g_program = QCoreApplication::applicationFilePath();
    g_arguments = QCoreApplication::arguments().mid(1);
    qAddPostRoutine(startSuccessor);
    quit();
}
