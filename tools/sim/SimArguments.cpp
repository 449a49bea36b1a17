#include "tools/sim/SimArguments.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Version.h"
#include "platform/FixedString.h"

namespace {

// The command being run: a usage error found while converting a value shows its usage line.
const TSimCommand* gCommand = nullptr;

void PrintUsageLine(std::FILE* aStream, const TSimCommand& aCommand) {
    (void)std::fprintf(aStream, "usage: fixtrail-sim %s %s", aCommand.iName, aCommand.iOperands);
    for (int i = 0; i < aCommand.iOptionCount; ++i) {
        const TSimOption& option = aCommand.iOptions[i];
        if (option.iValue != nullptr) {
            (void)std::fprintf(aStream, " [--%s %s]", option.iName, option.iValue);
        } else {
            (void)std::fprintf(aStream, " [--%s]", option.iName);
        }
    }
    (void)std::fputc('\n', aStream);
}

void PrintCommandHelp(const TSimCommand& aCommand) {
    PrintUsageLine(stdout, aCommand);
    std::printf("\n%s\n", aCommand.iHelp);
    if (aCommand.iOptionCount > 0) {
        std::printf("\noptions:\n");
    }
    for (int i = 0; i < aCommand.iOptionCount; ++i) {
        const TSimOption& option = aCommand.iOptions[i];
        const std::string name = std::string("--") + option.iName +
                                 (option.iValue ? std::string(" ") + option.iValue : "");
        std::printf("  %-14s %s\n", name.c_str(), option.iHelp);
    }
}

// Also the source of the manual page (help2man): a line ending in ':' starts a section there.
void PrintToolHelp(const TSimCommand* aCommands, std::size_t aCount) {
    std::printf(
        "usage: fixtrail-sim COMMAND ROOT ...\n\n"
        "The simulated device under the directory ROOT (run the application with\n"
        "FIXTRAIL_ROOT=ROOT). fixtrail-sim COMMAND --help describes one command,\n"
        "fixtrail-sim --version shows the version.\n\n"
        "Commands:\n");
    for (std::size_t i = 0; i < aCount; ++i) {
        std::printf("  %-9s  %s\n", aCommands[i].iName, aCommands[i].iOperands);
    }
    std::printf("\nCommand reference:\n");
    for (std::size_t i = 0; i < aCount; ++i) {
        std::printf("\n");
        PrintCommandHelp(aCommands[i]);
    }
    std::printf(
        "\nExit status:\n"
        "0 on success (run: the application's status), 1 on an error, 2 on a usage error.\n");
}

const TSimOption* FindOption(const TSimCommand& aCommand, const std::string& aName) {
    for (int i = 0; i < aCommand.iOptionCount; ++i) {
        if (aName == aCommand.iOptions[i].iName) {
            return &aCommand.iOptions[i];
        }
    }
    return nullptr;
}

// "--name value", "--name=value" and "--flag"; "--" ends the options, so that a ROOT may start
// with a dash. A single dash starts an operand: negative coordinates are operands.
CSimArguments Parse(const TSimCommand& aCommand, int aCount, char** aWords) {
    CSimArguments arguments;
    bool optionsEnded = false;
    for (int i = 0; i < aCount; ++i) {
        const std::string word = aWords[i];
        if (optionsEnded || word.size() < 2 || word.compare(0, 2, "--") != 0) {
            arguments.iOperands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(2, equals == std::string::npos ? equals : equals - 2);
        const TSimOption* option = FindOption(aCommand, name);
        if (option == nullptr) {
            UsageError("unknown option --" + name);
        }
        std::string value;
        if (option->iValue == nullptr) {
            if (equals != std::string::npos) {
                UsageError("--" + name + " takes no value");
            }
        } else if (equals != std::string::npos) {
            value = word.substr(equals + 1);
        } else if (i + 1 < aCount) {
            value = aWords[++i];
        } else {
            UsageError("--" + name + " needs a value");
        }
        arguments.iGiven.emplace_back(name, value);
    }
    const int count = static_cast<int>(arguments.iOperands.size());
    if (aCommand.iOperandCount >= 0 ? count != aCommand.iOperandCount
                                    : count < -aCommand.iOperandCount) {
        UsageError(std::string("expected ") + aCommand.iOperands);
    }
    return arguments;
}

}  // namespace

void UsageError(const std::string& aMessage) {
    (void)std::fprintf(stderr, "fixtrail-sim: %s\n", aMessage.c_str());
    if (gCommand != nullptr) {
        PrintUsageLine(stderr, *gCommand);
    } else {
        (void)std::fprintf(stderr, "usage: fixtrail-sim COMMAND ROOT ... (fixtrail-sim --help)\n");
    }
    std::exit(KExitUsage);
}

int WholeNumber(const std::string& aText, const char* aWhat, int aMin, int aMax) {
    const char* text = aText.c_str();
    int value = 0;
    if (!ParseInt(text, value) || *text != '\0' || value < aMin || value > aMax) {
        UsageError(std::string(aWhat) + " must be a whole number from " + std::to_string(aMin) +
                   " to " + std::to_string(aMax) + ", not '" + aText + "'");
    }
    return value;
}

int OptionInt(const CSimArguments& aArguments, const char* aName, int aDefault, int aMin,
              int aMax) {
    const std::string* value = aArguments.Find(aName);
    return value == nullptr ? aDefault : WholeNumber(*value, aName, aMin, aMax);
}

int RunSimCommandLine(const TSimCommand* aCommands, std::size_t aCount, int aArgc, char** aArgv) {
    if (aArgc < 2) {
        UsageError("no command given");
    }
    const std::string name = aArgv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintToolHelp(aCommands, aCount);
        return 0;
    }
    if (name == "--version") {
        std::printf("fixtrail-sim " FIXTRAIL_VERSION "\n");
        return 0;
    }
    for (std::size_t i = 0; i < aCount; ++i) {
        if (name == aCommands[i].iName) {
            gCommand = &aCommands[i];
        }
    }
    if (gCommand == nullptr) {
        UsageError("unknown command '" + name + "'");
    }
    for (int i = 2; i < aArgc; ++i) {
        if (std::strcmp(aArgv[i], "--") == 0) {
            break;
        }
        if (std::strcmp(aArgv[i], "--help") == 0 || std::strcmp(aArgv[i], "-h") == 0) {
            PrintCommandHelp(*gCommand);
            return 0;
        }
    }
    const CSimArguments arguments = Parse(*gCommand, aArgc - 2, aArgv + 2);
    return gCommand->iRun(arguments);
}
