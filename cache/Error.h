#pragma once
// The exceptions of the texture cache: one message, copied by value.
#include <stdexcept>
#include <string>

class CError : public std::runtime_error {
public:
    explicit CError(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A file of the cache could not be written, created, cut, synced or renamed: the
// system's reason ("No space left on device", "Permission denied", "Read-only file
// system") with the file's name. The edit that met it has been undone.
class CWriteError : public CError {
public:
    CWriteError(int error, const std::string& path);
    int Errno() const { return m_nErrno; }
    const std::string& Path() const { return m_strPath; }

private:
    int m_nErrno;
    std::string m_strPath;
};

// Another program is changing the cache (it holds the cache's lock), or changed it since
// this one read it.
class CBusyError : public CError {
public:
    explicit CBusyError(const std::string& message) : CError(message) {}
};
