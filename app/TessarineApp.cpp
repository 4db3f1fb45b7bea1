#include "app/TessarineApp.h"

#include "app/Log.h"
#include "app/ProgramFolders.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "platform/Files.h"

bool CTessarineApp::InitInstance(int argc, char** argv, const MainWindowRunner& runMainWindow) {
    // The real executable, not argv[0]: a program started through a link or from PATH
    // still finds its settings beside itself.
    std::string program = Files::ExecutablePath();
    if (program.empty() && argc > 0)
        program = argv[0];
    const ProgramFolders::Location where = ProgramFolders::Locate(program);
    m_strSettingsPath = where.settingsPath;
    m_strLogPath = where.logPath;
    Settings::SetPath(m_strSettingsPath);

    const std::string noLogFolder = ProgramFolders::CreateFolderFor(where, m_strLogPath);
    const std::string noSettingsFolder = ProgramFolders::CreateFolderFor(where, m_strSettingsPath);
    LogOpen(m_strLogPath); // without a log file the run goes on silently
    LogPrintA("%s\n", ProgramFolders::Describe(where).c_str());
    for (const std::string& failed : {noLogFolder, noSettingsFolder})
        if (!failed.empty())
            LogPrintA("ERROR: cannot create the folder %s\n", failed.c_str());

    if (IniReadInt(Settings::kConsole) != 0) {
        ConsoleOpen();
        LogSystemInfo(false);
    }

    if (runMainWindow) {
        std::vector<std::string> args;
        for (int i = 1; i < argc; ++i)
            args.emplace_back(argv[i]);
        runMainWindow(m_strSettingsPath, args);
    }
    return false;
}

int CTessarineApp::ExitInstance() {
    LogPrint(L"Logging ended.\n");
    LogClose();
    return 0;
}
