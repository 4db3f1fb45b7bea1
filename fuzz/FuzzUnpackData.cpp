// Unpacks arbitrary streams into buffers of every size the first bytes choose, and checks
// that packing and unpacking what came out returns the same bytes.
#include "gta/BlockCompression.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    static const uint32_t kBlockSizes[] = {0, 1, 2, 4, 8, 16, 32, 3};
    const uint32_t b = kBlockSizes[data[0] & 7];
    const uint32_t capacity = static_cast<uint32_t>(data[1]) * 8 + (data[2] & 7);
    data += 3;
    size -= 3;
    // Exact-size copies let the sanitizers see any read past the stream.
    std::vector<uint8_t> stream(data, data + size);
    std::vector<uint8_t> out(capacity);
    const uint32_t got =
        GTA::UnpackData(stream.data(), out.data(), static_cast<uint32_t>(size), capacity, b);
    if (got > capacity)
        __builtin_trap();

    std::vector<uint8_t> packed(capacity + 4);
    const uint32_t packedLength =
        GTA::PackData(out.data(), packed.data(), capacity, capacity + 4, b);
    if (packedLength == 0)
        return 0;
    std::vector<uint8_t> back(capacity);
    if (GTA::UnpackData(packed.data(), back.data(), packedLength, capacity, b) != capacity ||
        std::memcmp(back.data(), out.data(), capacity) != 0)
        __builtin_trap();
    return 0;
}
