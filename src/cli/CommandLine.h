#pragma once

// The `momentra` command line: --version, --help and the registered commands.
class CommandLine
{
public:
    static int run(int argc, char** argv);
    static void printHelp();
};
