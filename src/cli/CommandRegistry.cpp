#include "cli/CommandRegistry.h"

#include <algorithm>

void CommandRegistry::add(Command command)
{
    m_commands.append(std::move(command));
}

const Command* CommandRegistry::find(const QString& name) const
{
    for (const Command& command : m_commands) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

QList<Command> CommandRegistry::commands() const
{
    QList<Command> sorted = m_commands;
    std::sort(sorted.begin(), sorted.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
    return sorted;
}
