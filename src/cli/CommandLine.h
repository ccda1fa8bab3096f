#pragma once

#include "cli/CommandRegistry.h"

// The `momentra` command line: --version, --help and the given commands,
// each run over one composition root made for the run.
class CommandLine
{
public:
    explicit CommandLine(CommandRegistry commands)
        : m_commands(std::move(commands))
    {
    }

    int run(int argc, char** argv) const;

private:
    void printHelp() const;

    CommandRegistry m_commands;
};
