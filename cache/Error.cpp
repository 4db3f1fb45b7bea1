#include "cache/Error.h"

#include <cstring>

namespace {

std::string WriteErrorText(int error, const std::string& path) {
    return std::string(std::strerror(error)) + ": cannot write '" + path + "'";
}

} // namespace

CWriteError::CWriteError(int error, const std::string& path)
    : CError(WriteErrorText(error, path)), m_nErrno(error), m_strPath(path) {}
