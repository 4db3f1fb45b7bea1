#pragma once
// The editor's own options, answered before any window system is touched: --help and
// --version work without a display (man pages are made from them at build time).
#include <optional>

// When the arguments ask for help or the version, prints it and gives the exit code;
// otherwise nothing, and the editor starts. Options after "--" are file names.
std::optional<int> AnswerInfoOptions(int argc, char** argv);
