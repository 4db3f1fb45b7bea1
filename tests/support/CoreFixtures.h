#pragma once
// Set-up the core tests share: settings (and codecs) of a test's own, folders as bytes,
// tessarine-cli killed at a chosen write, picture quality and little-endian words.
#include "app/Settings.h"
#include "raster/PluginHost.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Skips the test when the real sample files are not beside the repository.
#define SKIP_WITHOUT_TESTDATA()                                                                    \
    if (TestDataDir().empty())                                                                     \
    GTEST_SKIP() << "real sample files are not beside the repository"

// Settings in a file of the test's own for its lifetime, with the real codecs bound when
// asked (they write their binding to the settings).
class OwnSettings {
public:
    explicit OwnSettings(bool bindCodecs = false) {
        Settings::SetPath(m_Dir.File("tessarine.ini"));
        if (bindCodecs)
            InitPluginBindings(TESSARINE_PLUGINS_DIR);
    }
    ~OwnSettings() {
        UnloadPlugins();
        Settings::SetPath(m_strPrevious);
    }
    OwnSettings(const OwnSettings&) = delete;
    OwnSettings& operator=(const OwnSettings&) = delete;

private:
    std::string m_strPrevious = Settings::Path();
    TempDir m_Dir;
};

// Every file of a folder with its bytes; a subfolder (not its content) as kFolderMark.
using FolderBytes = std::map<std::string, std::string>;
inline const std::string kFolderMark = std::string("\0(folder)", 9);

inline FolderBytes ReadFolder(const std::string& folder) {
    FolderBytes files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] =
            entry.is_directory() ? kFolderMark : TempDir::ReadFile(entry.path().string());
    return files;
}

// Makes the folder hold exactly these files (and empty subfolders).
inline void RestoreFolder(const std::string& folder, const FolderBytes& files) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : files) {
        if (bytes == kFolderMark) {
            std::filesystem::create_directory(folder + "/" + name);
            continue;
        }
        FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

inline void CopyFolder(const std::string& from, const std::string& to) {
    std::filesystem::create_directories(to);
    for (const auto& entry : std::filesystem::directory_iterator(from))
        std::filesystem::copy_file(entry.path(), to + "/" + entry.path().filename().string());
}

// Starts tessarine-cli with the arguments, its output thrown away; killAt > 0 makes it
// kill itself at that write. The caller waits for the child.
inline pid_t StartCli(std::vector<std::string> arguments, int64_t killAt) {
    arguments.insert(arguments.begin(), TESSARINE_CLI);
    std::fflush(nullptr); // the child must not write out the parent's buffered output
    const pid_t child = fork();
    if (child != 0)
        return child;
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (killAt > 0)
        setenv("TESSARINE_FAULT", ("kill:" + std::to_string(killAt)).c_str(), 1);
    (void)!std::freopen("/dev/null", "r", stdin);
    (void)!std::freopen("/dev/null", "w", stdout);
    (void)!std::freopen("/dev/null", "w", stderr);
    execv(argv[0], argv.data());
    _exit(127);
}

// The same, waited for: the child's wait status.
inline int RunCli(const std::vector<std::string>& arguments, int64_t killAt) {
    int status = 0;
    waitpid(StartCli(arguments, killAt), &status, 0);
    return status;
}

// Peak signal to noise ratio over the colour channels of two RGBA (or BGRA) pictures.
inline double PsnrRgb(const uint8_t* a, const uint8_t* b, size_t bytes) {
    double sum = 0;
    for (size_t i = 0; i < bytes; ++i)
        if (i % 4 != 3)
            sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    return 10 * std::log10(255.0 * 255.0 / std::max(sum / double(bytes / 4 * 3), 1e-9));
}

inline double PsnrRgb(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    return PsnrRgb(a.data(), b.data(), a.size());
}

// The little-endian word at `at` of a string or vector of bytes.
template <typename Bytes> uint32_t LeWord(const Bytes& data, size_t at) {
    const auto* p = reinterpret_cast<const uint8_t*>(data.data()) + at;
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

// One 32-byte entry of an archive directory: offset and size in sectors, then the name.
inline std::string ImgEntry(uint32_t offset, uint32_t size, const std::string& name) {
    std::string e(32, '\0');
    for (int i = 0; i < 4; ++i) {
        e[size_t(i)] = char(offset >> (8 * i));
        e[size_t(4 + i)] = char(size >> (8 * i));
    }
    e.replace(8, name.size(), name);
    return e;
}
