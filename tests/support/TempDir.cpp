#include "support/TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessarine-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_strPath = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_strPath, ignored);
}

void TempDir::Write(const std::string& name, const std::string& data) const {
    std::ofstream out(File(name), std::ios::binary);
    out << data;
}

std::string TempDir::Read(const std::string& name) const {
    return ReadFile(File(name));
}

std::string TempDir::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

std::string TestDataDir() {
    const std::string dir = TESSARINE_TESTDATA_DIR;
    return std::filesystem::exists(dir + "/real") ? dir : std::string();
}
