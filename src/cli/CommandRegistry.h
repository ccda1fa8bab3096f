#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// One subcommand of the `momentra` command line.
struct Command
{
    QString name;     // "defaults"
    QString usage;    // "defaults read [KEY] | write KEY VALUE | delete KEY"
    QString summary;  // one line for --help
    // Runs with the arguments after the name. Returns the exit status:
    // 0 success, 1 the work failed, 2 bad input.
    std::function<int(const QStringList& arguments)> run;
};

// Commands register themselves from a static object in their own file:
//   static const bool registered = CommandRegistry::instance().add({...});
class CommandRegistry
{
public:
    static CommandRegistry& instance();

    bool add(Command command);
    const Command* find(const QString& name) const;
    QList<Command> commands() const;  // sorted by name

private:
    QList<Command> m_commands;
};
