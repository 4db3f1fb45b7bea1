#pragma once
// Where the program finds its plug-ins and language packs, and where it keeps its settings
// and log.
//
// A build tree or a portable folder holds plugins/ beside the executable and keeps its
// settings and log there too, so a copy carries its settings with it. An installed program
// (bin/ with lib/tessarine/ beside it) and a portable folder that cannot be written keep
// them in the user's folders: $XDG_CONFIG_HOME/tessarine and $XDG_STATE_HOME/tessarine.
#include <string>

namespace ProgramFolders {

inline constexpr const char* kPluginsFolder = "plugins";
inline constexpr const char* kLanguagesFolder = "lang";
// The editor's name: the command-line tool shares the settings of the editor beside it.
inline constexpr const char* kEditorName = "tessarine";
// Names in the user's folders, whatever the executable is called.
inline constexpr const char* kUserFolderName = "tessarine";
inline constexpr const char* kUserSettingsName = "tessarine.ini";
inline constexpr const char* kUserLogName = "tessarine.log";

// name (kPluginsFolder, kLanguagesFolder) beside the executable in programFolder when it is
// there, else in the installed library folder relative to it; when neither exists, the
// folder beside the executable.
std::string Find(const std::string& programFolder, const std::string& name);
// The same for the running program.
std::string Find(const std::string& name);

// The parts of the environment that place the user's folders.
struct Environment {
    std::string home;       // $HOME, else the password database's home folder
    std::string configHome; // $XDG_CONFIG_HOME as set (unset: empty)
    std::string stateHome;  // $XDG_STATE_HOME as set
};
Environment CurrentEnvironment();

enum class Placement {
    kBesideProgram,    // a build tree or portable folder that can be written
    kInstalled,        // an installed program: the user's folders
    kReadOnlyPortable, // a portable folder that cannot be written: the user's folders
};

struct Location {
    std::string settingsPath;
    std::string logPath;
    Placement placement = Placement::kBesideProgram;
};

// Where a program at programPath keeps its settings and log. portable: plugins/ lies beside
// it; writable: its folder can be written. Beside the program the files are named after it
// (tool -> tool.ini, tool.exe -> tool.ini); in the user's folders they are always
// tessarine.ini and tessarine.log. XDG variables that are unset, empty or relative are
// ignored, as the base directory rules ask.
Location Choose(const std::string& programPath, bool portable, bool writable,
                const Environment& env);

// Choose for programPath, looking at its folder and the current environment.
Location Locate(const std::string& programPath);

// Creates the user folder that holds a file of a location (mode 0700, as the base
// directory rules ask); nothing for files beside the program. Empty on success, else what
// failed with the system's reason.
std::string CreateFolderFor(const Location& location, const std::string& path);

// One log line: where the settings and the log are, and why there.
std::string Describe(const Location& location);

// The paragraph of both programs' --help on the settings, the log and the plug-ins.
const char* FilesHelp();

} // namespace ProgramFolders
