#pragma once
// A shared library loaded with dlopen, standing in for LoadLibrary/GetProcAddress.
#include <string>

class CDynamicLibrary {
public:
    CDynamicLibrary() = default;
    ~CDynamicLibrary() { Close(); }
    CDynamicLibrary(CDynamicLibrary&& other) noexcept;
    CDynamicLibrary& operator=(CDynamicLibrary&& other) noexcept;
    CDynamicLibrary(const CDynamicLibrary&) = delete;
    CDynamicLibrary& operator=(const CDynamicLibrary&) = delete;

    // Loads the library; false with LastError() set when it cannot be loaded, also when
    // it is not a whole library file of this machine (IsWholeLibraryFile).
    bool Load(const std::string& path);
    // The system loader maps a library's segments without looking at the file's size, and
    // touching a page past the end kills the process (SIGBUS): a library cut short by an
    // interrupted copy would take the program down instead of being refused. True when
    // path is an ELF file of this machine's kind whose program headers and segments all
    // lie inside it.
    static bool IsWholeLibraryFile(const std::string& path);
    bool IsLoaded() const { return m_pHandle != nullptr; }
    // Address of an exported symbol, or nullptr.
    void* Symbol(const char* name) const;
    template <typename T> T Function(const char* name) const {
        return reinterpret_cast<T>(Symbol(name));
    }
    void Close();
    const std::string& LastError() const { return m_strError; }

private:
    void* m_pHandle = nullptr;
    std::string m_strError;
};
