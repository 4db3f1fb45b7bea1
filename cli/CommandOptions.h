#pragma once
// The command line of tessarine-cli: which options each command accepts, and splitting
// the arguments into the command, its options and its positional arguments. Everything
// is checked before a command runs, so a typo never reaches a cache.
#include "cli/Cli.h"

#include <string>

namespace Cli {

// Position in argv of the command word: the first argument that is neither an option nor
// the value of one (options may stand before the command). -1 when there is none.
int FindCommand(int argc, char** argv);

// Parses every argument except the command word at commandAt. An unknown option, an
// option the command (or its verb, the first positional argument) does not take, a value
// given to a flag or a value option given twice fails with kBadInput and the usage line.
// "--" ends the options: everything after it is positional.
Args ParseCommandLine(int argc, char** argv, int commandAt, const std::string& usage);

} // namespace Cli
