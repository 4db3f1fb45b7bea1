#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <utility>

CDynamicLibrary::CDynamicLibrary(CDynamicLibrary&& other) noexcept
    : m_pHandle(std::exchange(other.m_pHandle, nullptr)), m_strError(std::move(other.m_strError)) {}

CDynamicLibrary& CDynamicLibrary::operator=(CDynamicLibrary&& other) noexcept {
    if (this != &other) {
        Close();
        m_pHandle = std::exchange(other.m_pHandle, nullptr);
        m_strError = std::move(other.m_strError);
    }
    return *this;
}

bool CDynamicLibrary::Load(const std::string& path) {
    Close();
    // RTLD_LOCAL keeps one plug-in's symbols from resolving another's.
    m_pHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_pHandle) {
        const char* error = dlerror();
        m_strError = error ? error : "unknown error";
        return false;
    }
    m_strError.clear();
    return true;
}

void* CDynamicLibrary::Symbol(const char* name) const {
    if (!m_pHandle)
        return nullptr;
    return dlsym(m_pHandle, name);
}

void CDynamicLibrary::Close() {
    if (m_pHandle)
        dlclose(m_pHandle);
    m_pHandle = nullptr;
}
