#pragma once
// The application object: computes the settings and log paths, opens the log and, when
// the settings ask for it, the debug console; runs the main window; closes the log.
#include <functional>
#include <string>
#include <vector>

class CTessarineApp {
public:
    // Runs the main window to its end; receives the settings path and the arguments
    // after the program's own name.
    using MainWindowRunner =
        std::function<void(const std::string& settingsPath, const std::vector<std::string>& args)>;

    // Start of the run. Returns false: the program ends when the main window closes,
    // there is no message loop of the application's own.
    bool InitInstance(int argc, char** argv, const MainWindowRunner& runMainWindow);
    // End of the run; returns the exit code.
    int ExitInstance();

    const std::string& SettingsPath() const { return m_strSettingsPath; }
    const std::string& LogPath() const { return m_strLogPath; }

private:
    std::string m_strSettingsPath;
    std::string m_strLogPath;
};
