#pragma once
// Input bytes as a file on disk, for the targets whose readers open files by name.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline void WriteFuzzFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        abort();
    if (size)
        fwrite(data, 1, size, f);
    fclose(f);
}
