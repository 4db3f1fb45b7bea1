#include "gta/BlockCompression.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <random>
#include <vector>

using Bytes = std::vector<uint8_t>;

namespace {

Bytes Pack(const Bytes& in, uint32_t b, uint32_t capacity) {
    Bytes out(capacity + 16, 0xCC); // guard bytes catch writes past the capacity
    const uint32_t n =
        GTA::PackData(in.data(), out.data(), static_cast<uint32_t>(in.size()), capacity, b);
    for (size_t i = capacity; i < out.size(); ++i)
        EXPECT_EQ(out[i], 0xCC) << "write past capacity at " << i;
    out.resize(n);
    return out;
}

Bytes Pack(const Bytes& in, uint32_t b) {
    return Pack(in, b, static_cast<uint32_t>(in.size()));
}

// Packs with room to spare into exactly `packed`, which unpacks back to the data.
void ExpectPacksTo(const Bytes& in, uint32_t b, const Bytes& packed) {
    EXPECT_EQ(Pack(in, b, static_cast<uint32_t>(in.size() + 16)), packed);
    Bytes out(in.size());
    EXPECT_EQ(GTA::UnpackData(packed.data(), out.data(), static_cast<uint32_t>(packed.size()),
                              static_cast<uint32_t>(out.size()), b),
              out.size());
    EXPECT_EQ(out, in);
}

Bytes Blocks(size_t count, uint32_t n, uint8_t first) {
    Bytes data;
    for (size_t i = 0; i < count; ++i)
        for (uint32_t j = 0; j < n; ++j)
            data.push_back(static_cast<uint8_t>(j == 0 ? first : j));
    return data;
}

} // namespace

TEST(BlockCompression, WorkedExample) {
    // The packed form is 2 bytes longer than the data, so it needs a roomier buffer than
    // the data's own length.
    const Bytes in = {1, 2, 3, 4, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(Pack(in, 4).empty());
    ExpectPacksTo(in, 4, {2, 0, 0, 0, 2, 2, 1, 2, 3, 4, 5, 6, 7, 8});
}

TEST(BlockCompression, KeycharIsTheSmallestValueStartingNoBlock) {
    // First block starts with 2, second with 1: the key settles on 3.
    Bytes in = {2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(Pack(in, 4, 16).at(0), 3);
    // Every value from 1 to 255 begins some block: nothing can be packed.
    Bytes all;
    for (int v = 1; v <= 255; ++v)
        for (int j = 0; j < 4; ++j)
            all.push_back(static_cast<uint8_t>(j == 0 ? v : 9));
    all.insert(all.end(), {1, 9, 9, 9});
    EXPECT_TRUE(Pack(all, 4).empty());
}

TEST(BlockCompression, LongRunsSplitAt255) {
    ExpectPacksTo(Blocks(300, 4, 7), 4, {1, 0, 0, 0, 1, 255, 7, 1, 2, 3, 1, 45, 7, 1, 2, 3});
    ExpectPacksTo(Blocks(256, 4, 7), 4, {1, 0, 0, 0, 1, 255, 7, 1, 2, 3, 7, 1, 2, 3});
}

TEST(BlockCompression, DataNotWorthPackingGivesZero) {
    Bytes distinct;
    for (int i = 0; i < 64; ++i)
        distinct.push_back(static_cast<uint8_t>(i + 1));
    EXPECT_TRUE(Pack(distinct, 4).empty());          // no run at all
    EXPECT_TRUE(Pack(Bytes{5, 5, 5, 5}, 4).empty()); // a single block
    EXPECT_TRUE(Pack(Bytes{}, 4).empty());
    // Too little room for the records.
    const Bytes run = Blocks(10, 4, 7);
    EXPECT_TRUE(Pack(run, 4, 5).empty());
    EXPECT_TRUE(Pack(run, 4, 3).empty());
}

TEST(BlockCompression, TailRecordOfSmallBlockSizes) {
    // RGBA 4444: b = 2, stride 4. Two equal blocks, then a 2-byte tail.
    const Bytes in = {9, 8, 7, 6, 9, 8, 7, 6, 5, 4};
    ExpectPacksTo(in, 2, {1, 0, 0, 0, 1, 2, 9, 8, 7, 6, 5, 4});
    // 11 bytes leave a tail that is not b long.
    Bytes eleven = in;
    eleven.push_back(3);
    EXPECT_TRUE(Pack(eleven, 2, 16).empty());
    // With b = 4 any tail is unpackable.
    Bytes ragged = Blocks(4, 4, 7);
    ragged.push_back(1);
    EXPECT_TRUE(Pack(ragged, 4).empty());
}

TEST(BlockCompression, UnpackerStopsAtTheCapacityAndAtTheStreamEnd) {
    const Bytes packed = {1, 0, 0, 0, 1, 5, 7, 7, 7, 7};
    Bytes out(20 + 8, 0xCC);
    // Room for 3 of the 5 copies: the bytes written so far come back.
    EXPECT_EQ(GTA::UnpackData(packed.data(), out.data(), 10, 12, 4), 12u);
    EXPECT_EQ(out[12], 0xCC);
    // A stream of only the key word unpacks to nothing and reports the capacity.
    EXPECT_EQ(GTA::UnpackData(packed.data(), out.data(), 4, 20, 4), 20u);
    // A run record cut short by the stream end.
    EXPECT_EQ(GTA::UnpackData(packed.data(), out.data(), 8, 20, 4), 0u);
    // A literal block cut short after a complete one.
    const Bytes literal = {1, 0, 0, 0, 9, 9, 9, 9, 8, 8};
    EXPECT_EQ(GTA::UnpackData(literal.data(), out.data(), 10, 20, 4), 4u);
    // A count of 0 stands for nothing.
    const Bytes zero = {1, 0, 0, 0, 1, 0, 7, 7, 7, 7, 5, 5, 5, 5};
    EXPECT_EQ(GTA::UnpackData(zero.data(), out.data(), 14, 4, 4), 4u);
    EXPECT_EQ(out[0], 5);
}

TEST(BlockCompression, HostileStreamsNeverReadOrWriteOutOfBounds) {
    // Under the sanitizers any stray access fails this test; without them the guard
    // bytes do.
    std::mt19937 random(99);
    for (int trial = 0; trial < 2000; ++trial) {
        const uint32_t b = (trial % 6 == 0) ? 2 : 4u << (trial % 4);
        Bytes stream(4 + random() % 64);
        for (auto& byte : stream)
            byte = static_cast<uint8_t>(random() % 4);
        const uint32_t capacity = random() % 96;
        Bytes out(capacity + 8, 0xCC);
        const uint32_t got = GTA::UnpackData(stream.data(), out.data(),
                                             static_cast<uint32_t>(stream.size()), capacity, b);
        ASSERT_LE(got, capacity);
        for (size_t i = capacity; i < out.size(); ++i)
            ASSERT_EQ(out[i], 0xCC);
    }
}

namespace {

// The packer as a plain block-by-block walk, the way the format describes it; the real
// one must produce the same bytes.
Bytes ReferencePack(const Bytes& in, uint32_t b, uint32_t capacity) {
    const size_t n = b < 4 ? 4 : b, length = in.size();
    int key = 1;
    for (size_t p = 0; p < length; p += n)
        if (in[p] == key) {
            if (++key > 255)
                return {};
            p = static_cast<size_t>(-n); // look at every block again
        }
    if (length <= n || capacity < 4)
        return {};
    Bytes out = {static_cast<uint8_t>(key), 0, 0, 0};
    size_t pending = 0, run = 0, runs = 0;
    bool hasPending = true;
    const auto flush = [&]() {
        if (run > 0) {
            if (out.size() + n + 2 > capacity)
                return false;
            out.push_back(static_cast<uint8_t>(key));
            out.push_back(static_cast<uint8_t>(run + 1));
            ++runs;
        } else if (out.size() + n > capacity) {
            return false;
        }
        out.insert(out.end(), in.begin() + pending, in.begin() + pending + n);
        run = 0;
        return true;
    };
    for (size_t p = n; p < length; p += n) {
        const bool whole = p + n <= length;
        if (whole && run + 1 < 255 &&
            std::equal(in.begin() + p, in.begin() + p + n, in.begin() + pending)) {
            ++run;
            continue;
        }
        if (!flush())
            return {};
        if (!whole) {
            if (p + b != length || out.size() + b > capacity)
                return {};
            out.insert(out.end(), in.begin() + p, in.end());
            hasPending = false;
            break;
        }
        pending = p;
    }
    if (hasPending && !flush())
        return {};
    if (runs == 0 || out.size() >= length + 4)
        return {};
    return out;
}

} // namespace

TEST(BlockCompression, SameBytesAsABlockByBlockWalk) {
    std::mt19937 random(2024);
    for (int trial = 0; trial < 3000; ++trial) {
        const uint32_t b = std::array<uint32_t, 6>{1, 2, 4, 8, 16, 32}[trial % 6];
        const uint32_t n = b < 4 ? 4 : b;
        Bytes in;
        const size_t blocks = 1 + random() % 40;
        for (size_t i = 0; i < blocks; ++i) {
            const bool repeat = !in.empty() && random() % 2;
            for (uint32_t j = 0; j < n; ++j)
                in.push_back(repeat ? in[in.size() - n] : static_cast<uint8_t>(random() % 6));
        }
        if (random() % 4 == 0)
            in.resize(in.size() - random() % n);
        const uint32_t capacity = random() % 3 == 0
                                      ? static_cast<uint32_t>(random() % (in.size() + 8))
                                      : static_cast<uint32_t>(in.size() + 4);
        ASSERT_EQ(Pack(in, b, capacity), ReferencePack(in, b, capacity))
            << "trial " << trial << " b=" << b << " capacity " << capacity;
    }
}
