#pragma once
// A fresh folder under the system's temporary folder, removed with its content.
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& name) const { return m_strPath + "/" + name; }
    void Write(const std::string& name, const std::string& data) const;
    std::string Read(const std::string& name) const;
    static std::string ReadFile(const std::string& path);

private:
    std::string m_strPath;
};

// Root of the real sample files; empty when they are not beside the repository.
std::string TestDataDir();
