#pragma once

#include "cli/CommandRegistry.h"

// The `momentra` command line: --version, --help and the given commands,
// each run over one composition root made for the run; without a command,
// the default one (the tray application).
class CommandLine
{
public:
    CommandLine(CommandRegistry commands, Command defaultCommand)
        : m_commands(std::move(commands))
        , m_default(std::move(defaultCommand))
    {
    }

    int run(int argc, char** argv) const;

private:
    void printHelp() const;

    CommandRegistry m_commands;
    Command m_default;
};
