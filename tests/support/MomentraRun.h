#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// One run of the momentra executable to its end, with nothing on its
// standard input. exitCode is -1 when it crashed or did not finish in time
// (it is killed then).
struct MomentraRun
{
    int exitCode = -1;
    QString out;
    QString err;

    // A wrapper (a program and its options, faketime for one) goes in front
    // of the executable when given.
    static MomentraRun of(const QStringList& arguments,
                          const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                          const QStringList& wrapper = {}, int timeoutMs = 300000)
    {
        const QStringList command = wrapper + QStringList{MOMENTRA_EXECUTABLE} + arguments;
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(command.first(), command.mid(1));
        process.closeWriteChannel();
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }
    MomentraRun trimmed() const { return {exitCode, out.trimmed(), err.trimmed()}; }
};
