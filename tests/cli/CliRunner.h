#pragma once
// What the tessarine-cli tests share: the tool run as a real process on files of a
// temporary folder, with settings of the folder's own and without a terminal, and its exit
// code and output.
#include "support/TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct CliRun {
    int code; // -1 when the process did not exit by itself
    std::string out;
    std::string err;
    bool Out(const std::string& text) const { return out.find(text) != std::string::npos; }
    bool Err(const std::string& text) const { return err.find(text) != std::string::npos; }
    bool Says(const std::string& text) const { return Out(text) || Err(text); }
};

// text as one shell word.
inline std::string Q(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// "tessarine-cli --settings DIR/t.ini ARGUMENTS" through the shell; prefix goes before it
// (environment settings, an unshare).
inline CliRun RunCli(const TempDir& dir, const std::string& arguments,
                     const std::string& prefix = "") {
    const std::string command = prefix + " " + TESSARINE_CLI + " --settings " +
                                Q(dir.File("t.ini")) + " " + arguments + " </dev/null >" +
                                Q(dir.File("stdout")) + " 2>" + Q(dir.File("stderr"));
    const int status = std::system(command.c_str());
    CliRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir.Read("stdout"),
               dir.Read("stderr")};
    std::filesystem::remove(dir.File("stdout"));
    std::filesystem::remove(dir.File("stderr"));
    return run;
}

// Starts the tool without a shell, the arguments as they are, with extra environment
// settings ("NAME=value"); its output goes to files of dir named after tag.
inline pid_t StartCli(const TempDir& dir, std::vector<std::string> arguments,
                      const std::vector<std::string>& environment = {},
                      const std::string& tag = "run") {
    arguments.insert(arguments.begin(), {TESSARINE_CLI, "--settings=" + dir.File("t.ini")});
    const std::string out = dir.File(tag + ".out"), err = dir.File(tag + ".err");
    std::fflush(nullptr); // the child must not write out the parent's buffered output
    const pid_t child = fork();
    if (child != 0)
        return child;
    for (const std::string& setting : environment)
        if (!setting.empty())
            putenv(const_cast<char*>(setting.c_str()));
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    freopen("/dev/null", "r", stdin);
    freopen(out.c_str(), "w", stdout);
    freopen(err.c_str(), "w", stderr);
    execv(argv[0], argv.data());
    _exit(127);
}

inline CliRun WaitCli(const TempDir& dir, pid_t child, const std::string& tag = "run") {
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir.Read(tag + ".out"),
            dir.Read(tag + ".err")};
}

// A copy of the bundled sample cache in folder of dir; its index.
inline std::string CopySample(const TempDir& dir, const std::string& folder) {
    std::filesystem::create_directories(dir.File(folder));
    for (const auto& entry : std::filesystem::directory_iterator(TESSARINE_SAMPLE_DIR))
        std::filesystem::copy_file(entry.path(),
                                   dir.File(folder + "/" + entry.path().filename().string()));
    return dir.File(folder + "/sample.txt");
}

// A run and what it must give: its exit code and, when given, a text it prints.
struct CliCase {
    std::string arguments;
    int code;
    std::string says = {};
};

// A test with a folder of its own to run the tool in.
class CliTest : public ::testing::Test {
protected:
    CliRun Cli(const std::string& arguments, const std::string& prefix = "") const {
        return RunCli(m_Dir, arguments, prefix);
    }
    // A file of the folder, quoted for the shell.
    std::string F(const std::string& name) const { return Q(m_Dir.File(name)); }
    void ExpectRuns(const std::vector<CliCase>& cases) const {
        for (const CliCase& c : cases) {
            const CliRun run = Cli(c.arguments);
            EXPECT_EQ(run.code, c.code) << c.arguments << "\n" << run.err;
            EXPECT_TRUE(run.Says(c.says)) << c.arguments << ": " << run.out << run.err;
        }
    }
    TempDir m_Dir;
};
