#include "platform/DynamicLibrary.h"

#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Reads exactly count bytes at offset.
bool ReadExactly(int fd, uint64_t offset, void* buffer, size_t count) {
    auto* out = static_cast<char*>(buffer);
    while (count > 0) {
        const ssize_t got = pread(fd, out, count, static_cast<off_t>(offset));
        if (got <= 0)
            return false;
        out += got, offset += static_cast<uint64_t>(got), count -= static_cast<size_t>(got);
    }
    return true;
}

bool HeadersInside(int fd, uint64_t size) {
    ElfW(Ehdr) header;
    if (size < sizeof header || !ReadExactly(fd, 0, &header, sizeof header))
        return false;
    const bool nativeClass =
        header.e_ident[EI_CLASS] == (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32);
    const bool nativeOrder =
        header.e_ident[EI_DATA] ==
        (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || !nativeClass || !nativeOrder ||
        header.e_phentsize != sizeof(ElfW(Phdr)))
        return false;
    if (header.e_phoff > size ||
        uint64_t(header.e_phnum) * sizeof(ElfW(Phdr)) > size - header.e_phoff)
        return false;
    std::vector<ElfW(Phdr)> segments(header.e_phnum);
    if (!segments.empty() &&
        !ReadExactly(fd, header.e_phoff, segments.data(), segments.size() * sizeof(ElfW(Phdr))))
        return false;
    for (const ElfW(Phdr) & segment : segments)
        if (segment.p_offset > size || segment.p_filesz > size - segment.p_offset)
            return false;
    return true;
}

} // namespace

bool CDynamicLibrary::IsWholeLibraryFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool whole = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                       HeadersInside(fd, static_cast<uint64_t>(st.st_size));
    close(fd);
    return whole;
}

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
    if (!IsWholeLibraryFile(path)) {
        m_strError = path + " is not a whole library of this machine (cut short or damaged)";
        return false;
    }
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
