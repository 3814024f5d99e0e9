// The bytes of the farm store's files: framed, checksummed records of farm changes (the
// layout is described at the top of farm_store.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "lab/farm_state.h"

namespace lab::journal {

// The first bytes of every farm file.
inline constexpr std::string_view kMagic{"ZLABFARM\x01\0\0\0", 12};
// A record's frame: payload length and CRC-32 of the payload, both 32-bit little-endian.
inline constexpr size_t kFrameSize = 8;
// Larger payloads are taken for damage.
inline constexpr uint32_t kMaxPayload = 256u * 1024u * 1024u;

uint32_t Crc32(std::string_view bytes);

// One framed record.
std::string Encode(const FarmChange& change);

// Decodes the whole records at the start of `bytes`, handing each to `sink`, and stops at
// the first one that is cut short or damaged. Returns the number of bytes consumed.
size_t Decode(std::string_view bytes, const std::function<void(FarmChange&&)>& sink);

}  // namespace lab::journal
