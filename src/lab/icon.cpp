#include "lab/icon.h"

#include <cstdint>
#include <string>

#include "lab/lab.h"

namespace lab {

namespace {

constexpr size_t kDirSize = 6;
constexpr size_t kEntrySize = 16;

uint32_t ReadLe(std::string_view bytes, size_t at, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) {
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

void PutLe(std::string& out, uint32_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
}

uint32_t Mix(uint32_t x) {
    x += 0x9E3779B9u;
    x = (x ^ (x >> 16)) * 0x85EBCA6Bu;
    x = (x ^ (x >> 13)) * 0xC2B2AE35u;
    return x ^ (x >> 16);
}

}  // namespace

bool IsIconFile(std::string_view bytes) {
    if (bytes.size() < kDirSize || bytes.size() > kMaxIconFileSize) {
        return false;
    }
    const uint32_t reserved = ReadLe(bytes, 0, 2);
    const uint32_t type = ReadLe(bytes, 2, 2);
    const uint32_t count = ReadLe(bytes, 4, 2);
    if (reserved != 0 || type != 1 || count == 0) {
        return false;
    }
    const uint64_t directoryEnd = kDirSize + uint64_t{kEntrySize} * count;
    if (directoryEnd > bytes.size()) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = kDirSize + kEntrySize * i;
        const uint64_t size = ReadLe(bytes, entry + 8, 4);
        const uint64_t offset = ReadLe(bytes, entry + 12, 4);
        if (size == 0 || offset < directoryEnd || offset + size > bytes.size()) {
            return false;
        }
    }
    return true;
}

std::string MakeIcon(uint32_t seed) {
    constexpr uint32_t kSide = 16;
    constexpr uint32_t kPixels = kSide * kSide * 4;
    constexpr uint32_t kMask = kSide * 4;  // 1 bit per pixel, rows padded to 32 bits
    constexpr uint32_t kHeader = 40;
    constexpr uint32_t kImage = kHeader + kPixels + kMask;

    std::string icon;
    icon.reserve(kDirSize + kEntrySize + kImage);
    // ICONDIR
    PutLe(icon, 0, 2);
    PutLe(icon, 1, 2);
    PutLe(icon, 1, 2);
    // ICONDIRENTRY
    PutLe(icon, kSide, 1);
    PutLe(icon, kSide, 1);
    PutLe(icon, 0, 1);
    PutLe(icon, 0, 1);
    PutLe(icon, 1, 2);
    PutLe(icon, 32, 2);
    PutLe(icon, kImage, 4);
    PutLe(icon, kDirSize + kEntrySize, 4);
    // BITMAPINFOHEADER; the height counts the colour rows and the mask rows.
    PutLe(icon, kHeader, 4);
    PutLe(icon, kSide, 4);
    PutLe(icon, kSide * 2, 4);
    PutLe(icon, 1, 2);
    PutLe(icon, 32, 2);
    PutLe(icon, 0, 4);
    PutLe(icon, kPixels + kMask, 4);
    for (int i = 0; i < 4; ++i) {
        PutLe(icon, 0, 4);
    }
    // Colour pixels, bottom row first, BGRA: a frame in one colour around a diagonal blend of
    // two others, all taken from the seed.
    const uint32_t frame = Mix(seed);
    const uint32_t from = Mix(seed ^ 0xA5A5A5A5u);
    const uint32_t to = Mix(seed + 0x01234567u);
    for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; ++x) {
            uint32_t color = frame;
            if (x != 0 && y != 0 && x != kSide - 1 && y != kSide - 1) {
                const uint32_t t = x + y;  // 2 .. 28
                color = 0;
                for (uint32_t shift = 0; shift < 24; shift += 8) {
                    const uint32_t a = (from >> shift) & 0xFFu;
                    const uint32_t b = (to >> shift) & 0xFFu;
                    color |= ((a * (30 - t) + b * t) / 30) << shift;
                }
            }
            PutLe(icon, (color & 0x00FFFFFFu) | 0xFF000000u, 4);
        }
    }
    // AND mask: all opaque.
    icon.append(kMask, '\0');
    return icon;
}

}  // namespace lab
