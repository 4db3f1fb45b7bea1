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

    // Loads the library; false with LastError() set when it cannot be loaded.
    bool Load(const std::string& path);
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
