#include "app/ProgramFolders.h"

#include "platform/Files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef TESSARINE_INSTALLED_LIB
#error "TESSARINE_INSTALLED_LIB: the installed library folder relative to the programs"
#endif

namespace ProgramFolders {

namespace {

// The base directory rules give these defaults under the home folder.
constexpr const char* kDefaultConfigHome = ".config";
constexpr const char* kDefaultStateHome = ".local/state";
// The user's folders hold settings and the log only; nobody else needs to read them.
constexpr mode_t kUserFolderMode = 0700;

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// An XDG variable counts only when it holds an absolute path.
std::string BaseFolder(const std::string& variable, const std::string& home, const char* fallback) {
    if (!variable.empty() && variable[0] == '/')
        return WithoutTrailingSlashes(variable);
    return WithoutTrailingSlashes(home) + "/" + fallback;
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// mkdir -p with the given mode for every folder it creates.
std::string MakeFolders(const std::string& path) {
    for (size_t end = 1; end <= path.size(); ++end) {
        if (end != path.size() && path[end] != '/')
            continue;
        const std::string part = path.substr(0, end);
        if (mkdir(part.c_str(), kUserFolderMode) != 0 && errno != EEXIST)
            return part + ": " + std::strerror(errno);
    }
    return IsFolder(path) ? std::string() : path + ": not a folder";
}

std::string FolderOfProgram(const std::string& programPath) {
    const std::string folder = Files::DirectoryOf(programPath);
    return folder.empty() ? std::string(".") : folder;
}

} // namespace

std::string Find(const std::string& programFolder, const std::string& name) {
    const std::string folder = programFolder.empty() ? std::string(".") : programFolder;
    const std::string beside = folder + "/" + name;
    if (IsFolder(beside))
        return beside;
    const std::string installed =
        std::filesystem::path(folder + "/" + TESSARINE_INSTALLED_LIB + "/" + name)
            .lexically_normal()
            .string();
    return IsFolder(installed) ? installed : beside;
}

std::string Find(const std::string& name) {
    return Find(Files::DirectoryOf(Files::ExecutablePath()), name);
}

Environment CurrentEnvironment() {
    Environment env;
    env.home = Variable("HOME");
    if (env.home.empty())
        if (const passwd* user = getpwuid(getuid()); user && user->pw_dir)
            env.home = user->pw_dir;
    env.configHome = Variable("XDG_CONFIG_HOME");
    env.stateHome = Variable("XDG_STATE_HOME");
    return env;
}

Location Choose(const std::string& programPath, bool portable, bool writable,
                const Environment& env) {
    if (portable && writable)
        return {Files::ReplaceExtension(programPath, "ini"),
                Files::ReplaceExtension(programPath, "log"), Placement::kBesideProgram};
    const std::string config = BaseFolder(env.configHome, env.home, kDefaultConfigHome);
    const std::string state = BaseFolder(env.stateHome, env.home, kDefaultStateHome);
    return {config + "/" + kUserFolderName + "/" + kUserSettingsName,
            state + "/" + kUserFolderName + "/" + kUserLogName,
            portable ? Placement::kReadOnlyPortable : Placement::kInstalled};
}

Location Locate(const std::string& programPath) {
    const std::string folder = FolderOfProgram(programPath);
    // access() answers for the file system too: a read-only mount is not writable, even
    // for root.
    return Choose(programPath, IsFolder(folder + "/" + kPluginsFolder),
                  access(folder.c_str(), W_OK) == 0, CurrentEnvironment());
}

std::string CreateFolderFor(const Location& location, const std::string& path) {
    if (location.placement == Placement::kBesideProgram)
        return {};
    return MakeFolders(Files::DirectoryOf(path));
}

std::string Describe(const Location& location) {
    const char* why = "beside the program";
    if (location.placement == Placement::kInstalled)
        why = "in the user's folders: the program is installed";
    else if (location.placement == Placement::kReadOnlyPortable)
        why = "in the user's folders: the program's folder cannot be written";
    return "Settings: " + location.settingsPath + ", log: " + location.logPath + " (" + why + ")";
}

const char* FilesHelp() {
    return "Files:\n"
           "  Settings and log are kept beside the program (tessarine.ini, tessarine.log) when\n"
           "  it runs from its build folder or from a portable folder that can be written (one\n"
           "  with plugins/ beside the program). An installed program, or one whose folder\n"
           "  cannot be written, keeps them in $XDG_CONFIG_HOME/tessarine/tessarine.ini\n"
           "  (default ~/.config) and $XDG_STATE_HOME/tessarine/tessarine.log (default\n"
           "  ~/.local/state). The log's first lines say which is used. The editor and\n"
           "  tessarine-cli share the settings.\n"
           "  Codec plug-ins and language packs are found in plugins/ and lang/ beside the\n"
           "  program, else in ../lib/tessarine/ relative to it.\n";
}

} // namespace ProgramFolders
