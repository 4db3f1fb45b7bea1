#include "gta/BlockCompression.h"

#include "app/Log.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <vector>

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
template <typename T> struct IsFixedStride : std::false_type {};
template <uint32_t N> struct IsFixedStride<FixedStride<N>> : std::true_type {};
struct VariableStride {
    uint32_t n;
    uint32_t value() const { return n; }
};

// Offset, from 0 and in steps of n, of the first block in data[0, room) that begins with
// key; the first such offset at or past the last whole block when there is none.
template <typename Stride>
uint64_t FindKeyBlock(const uint8_t* data, uint64_t room, uint8_t key, Stride stride) {
    const uint64_t n = stride.value();
    uint64_t span = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time, keeping only the bytes that start blocks.
    if constexpr (IsFixedStride<Stride>::value) {
        constexpr uint64_t kStarts = n == 4    ? 0x1111111111111111ull
                                     : n == 8  ? 0x0101010101010101ull
                                     : n == 16 ? 0x0001000100010001ull
                                               : 0x0000000100000001ull;
        const __m128i k = _mm_set1_epi8(static_cast<char>(key));
        const auto mask16 = [&](uint64_t at) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
            return static_cast<uint64_t>(
                static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, k))));
        };
        for (; span + 64 <= room; span += 64) {
            const uint64_t hits = (mask16(span) | mask16(span + 16) << 16 |
                                   mask16(span + 32) << 32 | mask16(span + 48) << 48) &
                                  kStarts;
            if (hits)
                return span + static_cast<uint64_t>(__builtin_ctzll(hits));
        }
    }
#endif
    while (span + n <= room && data[span] != key)
        span += n;
    return span;
}

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
            if constexpr (IsFixedStride<Stride>::value) {
                // Runs are written 32 bytes at a time from the block repeated.
                uint8_t pattern[32];
                for (uint64_t i = 0; i < 32; i += n)
                    std::memcpy(pattern + i, block, stride.value());
                const uint64_t total = copies * n;
                uint64_t done = 0;
                for (; done + 32 <= total; done += 32)
                    std::memcpy(out + w + done, pattern, 32);
                for (; done < total; done += n)
                    std::memcpy(out + w + done, block, stride.value());
                w += total;
            } else {
                for (uint64_t i = 0; i < copies; ++i, w += n)
                    std::memcpy(out + w, block, stride.value());
            }
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
        uint64_t span = FindKeyBlock(stream + r, room, key, stride);
        if (span + n > room)
            span = room / n * n; // no run record before the end: every whole block is literal
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

enum class PackFailure { None, RunRoom, LiteralRoom, Tail };

void LogPackFailure(PackFailure failure) {
    switch (failure) {
    case PackFailure::RunRoom:
        LogPrintA("GTA::PackData: [ERROR] failed [0] dwOutSize too small.\n");
        break;
    case PackFailure::LiteralRoom:
        LogPrintA("GTA::PackData: [ERROR] failed [1] dwOutSize too small.\n");
        break;
    case PackFailure::Tail:
        LogPrintA("GTA::PackData: [ERROR] failed [2]\n");
        break;
    case PackFailure::None:
        break;
    }
}

// One pass over the data in alternating stretches: literal blocks (each differs from the
// one before it) are copied out in one go, then a run of equal blocks becomes run records
// of at most 255 copies. This gives exactly the records of a block-by-block walk in far
// fewer steps. The keychar depends on every block, so the same pass notes the first bytes
// of the blocks, run records get their keychar once it is known, and a failure found on
// the way is only reported after the keychar, as a walk that chose the keychar first
// would have done.
template <typename Stride>
uint32_t Pack(const uint8_t* data, uint8_t* out, uint32_t length, uint32_t capacity, uint32_t b,
              Stride stride) {
    const uint64_t n = stride.value();
    bool used[256] = {};
    PackOutput o{out, capacity, 4};
    std::vector<uint64_t> runRecords;
    PackFailure failure = PackFailure::None;
    uint64_t unscanned = 0; // first block whose first byte the walk did not note

    const auto equal = [&](uint64_t p, uint64_t q) {
        return std::memcmp(data + p, data + q, stride.value()) == 0;
    };
    const auto tail = [&](uint64_t p) {
        used[data[p]] = true;
        if (p + b != length)
            return PackFailure::Tail;
        if (!o.Room(b))
            return PackFailure::LiteralRoom;
        if (b > 0)
            std::memcpy(o.out + o.length, data + p, b);
        o.length += b;
        return PackFailure::None;
    };

    if (length > n && capacity >= 4) {
        uint64_t pending = 0; // the block that starts the next stretch
        while (true) {
            used[data[pending]] = true;
            uint64_t p = pending + n;
            while (p + n <= length && !equal(p, p - n)) {
                used[data[p]] = true;
                p += n;
            }
            // Blocks pending .. p - 2n are literals; p - n starts a run unless data ended.
            const bool runFollows = p + n <= length;
            const uint64_t literalEnd = runFollows ? p - n : p;
            if (literalEnd > pending) {
                if (!o.Room(literalEnd - pending)) {
                    failure = PackFailure::LiteralRoom;
                    unscanned = p;
                    break;
                }
                std::memcpy(o.out + o.length, data + pending, literalEnd - pending);
                o.length += literalEnd - pending;
            }
            if (!runFollows) {
                if (p < length)
                    failure = tail(p);
                unscanned = length;
                break;
            }
            pending = p - n;
            uint32_t run = 0;
            while (p + n <= length && run + 1 < 255 && equal(p, pending)) {
                ++run;
                p += n;
            }
            if (!o.Room(n + 2)) {
                failure = PackFailure::RunRoom;
                unscanned = p;
                break;
            }
            runRecords.push_back(o.length);
            o.out[o.length + 1] = static_cast<uint8_t>(run + 1);
            std::memcpy(o.out + o.length + 2, data + pending, stride.value());
            o.length += n + 2;
            if (p >= length) {
                unscanned = length;
                break;
            }
            if (p + n > length) {
                failure = tail(p);
                unscanned = length;
                break;
            }
            pending = p;
        }
    }
    for (uint64_t p = unscanned; p < length; p += n)
        used[data[p]] = true;

    // The keychar is the smallest value from 1 that begins no block.
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
    if (failure != PackFailure::None) {
        LogPackFailure(failure);
        return 0;
    }
    out[0] = static_cast<uint8_t>(keychar);
    out[1] = out[2] = out[3] = 0;
    for (const uint64_t record : runRecords)
        out[record] = static_cast<uint8_t>(keychar);
    if (runRecords.empty()) {
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
