#include "support/MomentraRun.h"

#include <QProcess>

MomentraRun MomentraRun::of(const QStringList& arguments, const QProcessEnvironment& environment,
                            const QStringList& wrapper, int timeoutMs)
{
    const QString executable = QStringLiteral(MOMENTRA_EXECUTABLE);
    QProcess process;
    process.setProcessEnvironment(environment);
    if (wrapper.isEmpty())
        process.start(executable, arguments);
    else
        process.start(wrapper.first(), wrapper.mid(1) + QStringList{executable} + arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}
