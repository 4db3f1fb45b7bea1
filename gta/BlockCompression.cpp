#include "gta/BlockCompression.h"

#include "app/Log.h"

#include <algorithm>
#include <cstring>

namespace GTA {

uint32_t BlockSize(int format) {
    switch (format) {
    case RASTER_RGBA8888:
        return 4;
    case RASTER_RGBA4444:
    case RASTER_RGBA5551:
    case RASTER_RGBA565:
    case RASTER_LUM16:
        return 2;
    case RASTER_LUM8:
        return 1;
    case RASTER_DXT1:
    case RASTER_ETC1:
        return 8;
    case RASTER_DXT3:
    case RASTER_DXT5:
        return 16;
    case RASTER_PVRTC2:
        return 32;
    case RASTER_PVRTC4:
        return 16;
    default:
        return 0;
    }
}

namespace {

// The stride is a compile-time constant for every real block size, so block compares and
// copies become a few register moves instead of library calls.
template <uint32_t N> struct FixedStride {
    static constexpr uint32_t value() { return N; }
};
struct VariableStride {
    uint32_t n;
    uint32_t value() const { return n; }
};

template <typename Stride>
uint32_t Unpack(const uint8_t* stream, uint8_t* out, uint32_t streamLength, uint32_t capacity,
                uint32_t b, Stride stride) {
    const uint64_t n = stride.value();
    const uint8_t key = stream[0];
    uint64_t r = 4, w = 0;
    while (r < streamLength) {
        if (stream[r] == key) {
            // A run record must hold its count and its whole block.
            if (r + 2 + n > streamLength)
                return static_cast<uint32_t>(w);
            const uint8_t count = stream[r + 1];
            const uint8_t* block = stream + r + 2;
            const uint64_t fits = (capacity - w) / n;
            const uint64_t copies = count < fits ? count : fits;
            for (uint64_t i = 0; i < copies; ++i, w += n)
                std::memcpy(out + w, block, stride.value());
            if (copies < count) {
                LogPrintA("GTA::UnpackData: [ERROR] block unpacking failed [0x%02x:%02x]\n", key,
                          count);
                return static_cast<uint32_t>(w);
            }
            r += n + 2;
            continue;
        }
        if (w + n > capacity) {
            // The tail record: the last b bytes of data shorter than a stride.
            if (w + b > capacity || r + b > streamLength)
                return static_cast<uint32_t>(w);
            if (b > 0)
                std::memcpy(out + w, stream + r, b);
            return static_cast<uint32_t>(w + b);
        }
        // Copy the whole stretch of literal blocks up to the next run record at once.
        const uint64_t room = std::min<uint64_t>(streamLength - r, capacity - w);
        uint64_t span = 0;
        while (span + n <= room && stream[r + span] != key)
            span += n;
        if (span == 0)
            return static_cast<uint32_t>(w); // the stream ends inside a literal block
        std::memcpy(out + w, stream + r, span);
        r += span;
        w += span;
    }
    return capacity;
}

struct PackOutput {
    uint8_t* out;
    uint64_t capacity;
    uint64_t length;
    bool Room(uint64_t bytes) const { return length + bytes <= capacity; }
};

template <typename Stride>
uint32_t Pack(const uint8_t* data, uint8_t* out, uint32_t length, uint32_t capacity, uint32_t b,
              Stride stride) {
    const uint64_t n = stride.value();

    // The keychar is the smallest value from 1 that begins no block.
    bool used[256] = {};
    for (uint64_t p = 0; p < length; p += n)
        used[data[p]] = true;
    uint32_t keychar = 1;
    while (keychar < 256 && used[keychar])
        ++keychar;
    if (keychar > 255)
        return 0;

    LogPrintA("GTA::PackData:  - Start packing with keychar = 0x%02x...\n", keychar);
    if (length <= n) {
        LogPrintA("GTA::PackData: [ERROR] failed [3] no compression blocks found.\n");
        return 0;
    }
    if (capacity < 4) {
        LogPrintA("GTA::PackData: [ERROR] failed [1] dwOutSize too small.\n");
        return 0;
    }
    out[0] = static_cast<uint8_t>(keychar);
    out[1] = out[2] = out[3] = 0;
    PackOutput o{out, capacity, 4};

    // The packer walks the data in alternating stretches: literal blocks (each differs
    // from the one before it) are copied out in one go, then a run of equal blocks
    // becomes run records of at most 255 copies. This gives exactly the records of a
    // block-by-block walk, in far fewer steps.
    const auto equal = [&](uint64_t p, uint64_t q) {
        return std::memcmp(data + p, data + q, stride.value()) == 0;
    };
    const auto tail = [&](uint64_t p) -> bool {
        if (p + b != length) {
            LogPrintA("GTA::PackData: [ERROR] failed [2]\n");
            return false;
        }
        if (!o.Room(b)) {
            LogPrintA("GTA::PackData: [ERROR] failed [1] dwOutSize too small.\n");
            return false;
        }
        if (b > 0)
            std::memcpy(o.out + o.length, data + p, b);
        o.length += b;
        return true;
    };
    uint32_t runsWritten = 0;
    uint64_t pending = 0; // the block that starts the next stretch
    while (true) {
        uint64_t p = pending + n;
        while (p + n <= length && !equal(p, p - n))
            p += n;
        // Blocks pending .. p - 2n are literals; p - n starts a run unless the data ended.
        const bool runFollows = p + n <= length;
        const uint64_t literalEnd = runFollows ? p - n : std::min<uint64_t>(p, length);
        if (literalEnd > pending) {
            if (!o.Room(literalEnd - pending)) {
                LogPrintA("GTA::PackData: [ERROR] failed [1] dwOutSize too small.\n");
                return 0;
            }
            std::memcpy(o.out + o.length, data + pending, literalEnd - pending);
            o.length += literalEnd - pending;
        }
        if (!runFollows) {
            if (p < length && !tail(p))
                return 0;
            break;
        }
        pending = p - n;
        uint32_t run = 0;
        while (p + n <= length && run + 1 < 255 && equal(p, pending)) {
            ++run;
            p += n;
        }
        if (!o.Room(n + 2)) {
            LogPrintA("GTA::PackData: [ERROR] failed [0] dwOutSize too small.\n");
            return 0;
        }
        o.out[o.length] = static_cast<uint8_t>(keychar);
        o.out[o.length + 1] = static_cast<uint8_t>(run + 1);
        std::memcpy(o.out + o.length + 2, data + pending, stride.value());
        o.length += n + 2;
        ++runsWritten;
        if (p >= length)
            break;
        if (p + n > length) {
            if (!tail(p))
                return 0;
            break;
        }
        pending = p;
    }
    if (runsWritten == 0) {
        LogPrintA("GTA::PackData: [ERROR] failed [3] no compression blocks found.\n");
        return 0;
    }
    if (o.length >= static_cast<uint64_t>(length) + 4) {
        LogPrintA("GTA::PackData: [ERROR] failed [4] compression does not have a sense.\n");
        return 0;
    }
    return static_cast<uint32_t>(o.length);
}

} // namespace

uint32_t UnpackData(const uint8_t* stream, uint8_t* out, uint32_t streamLength, uint32_t capacity,
                    uint32_t blockSize) {
    if (streamLength <= 4 || !stream)
        return capacity;
    const uint32_t n = blockSize < 4 ? 4 : blockSize;
    switch (n) {
    case 4:
        return Unpack(stream, out, streamLength, capacity, blockSize, FixedStride<4>{});
    case 8:
        return Unpack(stream, out, streamLength, capacity, blockSize, FixedStride<8>{});
    case 16:
        return Unpack(stream, out, streamLength, capacity, blockSize, FixedStride<16>{});
    case 32:
        return Unpack(stream, out, streamLength, capacity, blockSize, FixedStride<32>{});
    default:
        return Unpack(stream, out, streamLength, capacity, blockSize, VariableStride{n});
    }
}

uint32_t PackData(const uint8_t* data, uint8_t* out, uint32_t length, uint32_t capacity,
                  uint32_t blockSize) {
    const uint32_t n = blockSize < 4 ? 4 : blockSize;
    LogPrintA("GTA::PackData: Packing (block size = %u)...\n", n);
    if (!data && length != 0)
        return 0;
    switch (n) {
    case 4:
        return Pack(data, out, length, capacity, blockSize, FixedStride<4>{});
    case 8:
        return Pack(data, out, length, capacity, blockSize, FixedStride<8>{});
    case 16:
        return Pack(data, out, length, capacity, blockSize, FixedStride<16>{});
    case 32:
        return Pack(data, out, length, capacity, blockSize, FixedStride<32>{});
    default:
        return Pack(data, out, length, capacity, blockSize, VariableStride{n});
    }
}

} // namespace GTA
