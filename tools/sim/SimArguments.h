#pragma once

// fixtrail-sim's command line: a table of subcommands, each with its operands and options, and
// the one parser that turns a subcommand's words into CSimArguments, prints the help and the
// usage lines, and runs the command.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

constexpr int KExitUsage = 2;  // the exit status of a usage error

struct TSimOption {
    const char* iName;   // without the leading "--"
    const char* iValue;  // the value's name in the usage line; null for a flag
    const char* iHelp;
};

class CSimArguments;
using TSimRun = int (*)(const CSimArguments&);

// Fields in the order of the table's columns; 8 bytes of padding in a table of a few commands.
struct TSimCommand {  // NOLINT(clang-analyzer-optin.performance.Padding)
    const char* iName;
    const char* iOperands;  // as shown in the usage line, e.g. "ROOT X Y"
    int iOperandCount;      // negative: at least -iOperandCount
    const TSimOption* iOptions;
    int iOptionCount;
    const char* iHelp;
    TSimRun iRun;
};

template <std::size_t N>
constexpr int OptionCount(const TSimOption (&)[N]) {
    return static_cast<int>(N);
}

// What the one parser made of a subcommand's words.
class CSimArguments {
  public:
    std::vector<std::string> iOperands;
    std::vector<std::pair<std::string, std::string>> iGiven;  // option name, value ("" for flags)

    bool Has(const char* aName) const { return Find(aName) != nullptr; }
    const std::string* Find(const char* aName) const {
        for (const auto& option : iGiven) {
            if (option.first == aName) {
                return &option.second;
            }
        }
        return nullptr;
    }
};

// Says aMessage and the usage line of the command being run, and exits with KExitUsage.
[[noreturn]] void UsageError(const std::string& aMessage);

// aText as a whole number from aMin to aMax; a usage error naming aWhat otherwise.
int WholeNumber(const std::string& aText, const char* aWhat, int aMin, int aMax);

// The value of the option aName as a whole number from aMin to aMax, aDefault when not given.
int OptionInt(const CSimArguments& aArguments, const char* aName, int aDefault, int aMin, int aMax);

// Runs the command that argv[1] names from the aCount commands of aCommands with the words
// after it, or answers --help, COMMAND --help and --version: the exit status.
int RunSimCommandLine(const TSimCommand* aCommands, std::size_t aCount, int aArgc, char** aArgv);
