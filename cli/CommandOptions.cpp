#include "cli/CommandOptions.h"

#include <cstring>
#include <sstream>

namespace Cli {

namespace {

// Options of one command, or of one verb of it: "--name" a flag, "--name=" an option that
// takes a value. verb nullptr: the command has no verbs.
struct CommandOptions {
    const char* command;
    const char* verb;
    const char* options;
};

constexpr const char* kGlobalOptions = "--game= --yes --no --settings= --help";

constexpr CommandOptions kCommandOptions[] = {
    {"create", nullptr, "--force"},
    {"info", nullptr, "--json"},
    {"list", nullptr, "--category= --json"},
    {"check", nullptr, "--json"},
    {"fix", nullptr, ""},
    {"rename", nullptr, ""},
    {"delete", nullptr, ""},
    {"alias", nullptr, ""},
    {"category", "add", ""},
    {"category", "rename", ""},
    {"category", "delete", ""},
    {"category", "move", ""},
    {"set", nullptr, ""},
    {"import", nullptr, "--category= --no-alpha --uncompressed --replace"},
    {"export", nullptr, "--category= --out= --format= --cache= --level= --thumb --aliases"},
    {"plugins", nullptr, "--json"},
    {"plugins", "set", "--plugin= --quality= --dithering="},
    {"plugins", "menu", ""},
    {"txd", "info", ""},
    {"txd", "list", "--json"},
    {"txd", "export", "--out= --format="},
    {"txd", "import", "--category= --replace"},
    {"img", "list", "--json"},
    {"img", "extract", "--out="},
    {"img", "import", "--category="},
    {"img", "add", "--create= --json"},
    {"img", "delete", "--json"},
    {"img", "rebuild", "--json"},
    {"dff", "list", ""},
    {"dff", "rename", "--out="},
    {"dff", "names", "--out="},
    {"sync", nullptr, "--delete --include-case --json"},
    {"dump", nullptr, "--cache= --thumb"},
    {"convert", nullptr, "--from= --to= --json"},
    {"optimize", nullptr, "--names --delete --md5 --pixels --decoded --threshold= --cache= --json"},
    {"radar", "list", "--cache= --json"},
    {"radar", "export", "--cache= --out="},
    {"radar", "import", "--no-alpha"},
    {"radar", "optimize", "--cache= --json"},
    {"aliases", nullptr, "--json"},
    {"stats", nullptr, "--json"},
    {"alias-list", "export", "--out="},
    {"alias-list", "import", "--json"},
};

// Whether the word list holds name as a flag ("--name") or, with value, as "--name=".
bool Lists(const char* options, const std::string& name, bool value) {
    std::istringstream words(options);
    const std::string wanted = value ? name + "=" : name;
    for (std::string word; words >> word;)
        if (word == wanted)
            return true;
    return false;
}

// Whether any command takes name as an option with a value.
bool TakesValue(const std::string& name) {
    if (Lists(kGlobalOptions, name, true))
        return true;
    for (const CommandOptions& entry : kCommandOptions)
        if (Lists(entry.options, name, true))
            return true;
    return false;
}

bool IsKnown(const std::string& name) {
    if (TakesValue(name) || Lists(kGlobalOptions, name, false))
        return true;
    for (const CommandOptions& entry : kCommandOptions)
        if (Lists(entry.options, name, false))
            return true;
    return false;
}

// A negative number is an argument, not an option.
bool IsOption(const std::string& arg) {
    if (arg.size() < 2 || arg[0] != '-')
        return false;
    return !(arg[1] >= '0' && arg[1] <= '9');
}

// The options of the command and verb; nullptr when the verb is not one of the command's
// (the command then refuses it with its usage).
const CommandOptions* OptionsFor(const std::string& command, const std::string& verb) {
    const CommandOptions* plain = nullptr;
    for (const CommandOptions& entry : kCommandOptions) {
        if (command != entry.command)
            continue;
        if (!entry.verb)
            plain = &entry;
        else if (verb == entry.verb)
            return &entry;
    }
    return plain;
}

[[noreturn]] void Refuse(const std::string& message, const std::string& usage) {
    throw Failure{kBadInput, message + "\nusage: tessarine-cli " + usage};
}

// Checked once the verb is known: an option that exists, but not for this command.
void CheckOptionsFor(const std::string& command, const Args& args, const std::string& usage) {
    const std::string verb = args.positional.empty() ? std::string() : args.positional[0];
    const CommandOptions* entry = OptionsFor(command, verb);
    if (!entry)
        return;
    for (const auto& [name, value] : args.options) {
        const bool withValue = TakesValue(name);
        if (Lists(kGlobalOptions, name, withValue) || Lists(entry->options, name, withValue))
            continue;
        const std::string what = entry->verb ? command + " " + entry->verb : command;
        Refuse("option " + name + " does not apply to '" + what + "'", usage);
    }
}

} // namespace

int FindCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--")
            return i + 1 < argc ? i + 1 : -1;
        if (!IsOption(arg))
            return i;
        if (arg.find('=') == std::string::npos && TakesValue(arg))
            ++i; // its value
    }
    return -1;
}

Args ParseCommandLine(int argc, char** argv, int commandAt, const std::string& usage) {
    Args args;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        if (i == commandAt)
            continue;
        std::string arg = argv[i];
        if (optionsEnded || !IsOption(arg)) {
            args.positional.push_back(std::move(arg));
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h")
            arg = "--help";
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        if (!IsKnown(name))
            Refuse("unknown option '" + name + "'", usage);
        std::string value;
        if (TakesValue(name)) {
            if (eq != std::string::npos)
                value = arg.substr(eq + 1);
            else if (i + 1 < argc && i + 1 != commandAt)
                value = argv[++i];
            else
                Refuse("option " + name + " needs a value", usage);
        } else if (eq != std::string::npos) {
            Refuse("option " + name + " takes no value", usage);
        }
        const auto known = args.options.find(name);
        if (known != args.options.end() && known->second != value)
            Refuse("option " + name + " is given twice", usage);
        args.options[name] = value;
    }
    CheckOptionsFor(argv[commandAt], args, usage);
    return args;
}

} // namespace Cli
