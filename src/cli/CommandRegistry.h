#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class AppRoot;

// One subcommand of the `momentra` command line.
struct Command
{
    QString name;     // "defaults"
    QString usage;    // "defaults read [KEY] | write KEY VALUE | delete KEY"
    QString summary;  // one line for --help
    // Runs with the arguments after the name, taking what it needs from the
    // root. Returns the exit status: 0 success, 1 the work failed, 2 bad input.
    std::function<int(AppRoot& root, const QStringList& arguments)> run;
    bool needsWindows = false;  // runs in a QApplication (a graphical session)
};

// The commands of the command line, added one by one by main().
class CommandRegistry
{
public:
    void add(Command command);
    const Command* find(const QString& name) const;
    QList<Command> commands() const;  // sorted by name

private:
    QList<Command> m_commands;
};
