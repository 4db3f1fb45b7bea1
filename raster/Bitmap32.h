#pragma once
// The 32-bit bitmap every part of the program exchanges: width x height pixels of four
// bytes in the order B, G, R, A, rows back to back without padding. Handed over by
// owning pointer; the receiver of a returned bitmap owns it.
#include "platform/LargeBuffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class Bitmap32 {
public:
    // A bitmap of w x h transparent black pixels; nullptr for an empty size or when the
    // memory cannot be had (sizes may come from damaged files).
    static std::unique_ptr<Bitmap32> Create(uint32_t width, uint32_t height);
    // The same without clearing the pixels, for callers that write every one of them.
    static std::unique_ptr<Bitmap32> CreateUninitialized(uint32_t width, uint32_t height);

    uint32_t Width() const { return m_nWidth; }
    uint32_t Height() const { return m_nHeight; }
    size_t Stride() const { return static_cast<size_t>(m_nWidth) * 4; }
    size_t ByteSize() const { return Stride() * m_nHeight; }
    uint8_t* Bits() { return m_pBits.get(); }
    const uint8_t* Bits() const { return m_pBits.get(); }
    uint8_t* Pixel(uint32_t x, uint32_t y) { return m_pBits.get() + y * Stride() + x * 4; }
    const uint8_t* Pixel(uint32_t x, uint32_t y) const {
        return m_pBits.get() + y * Stride() + x * 4;
    }

    std::unique_ptr<Bitmap32> Clone() const;
    // A copy scaled to w x h with a smooth filter (area averaging when shrinking); used
    // for every downscale in the program.
    std::unique_ptr<Bitmap32> Scaled(uint32_t width, uint32_t height) const;

private:
    using Storage = std::unique_ptr<uint8_t, LargeBuffer::Deleter>;
    Bitmap32(uint32_t width, uint32_t height, Storage bits)
        : m_nWidth(width), m_nHeight(height), m_pBits(std::move(bits)) {}

    uint32_t m_nWidth;
    uint32_t m_nHeight;
    Storage m_pBits;
};
