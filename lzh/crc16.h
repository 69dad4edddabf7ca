// CRC-16/ARC (reflected polynomial 0xA001, initial value 0, no final XOR), the
// checksum of member data and of level 2/3 headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lzh {

std::uint16_t Crc16Update(std::uint16_t crc, const unsigned char* data, std::size_t size);

inline std::uint16_t Crc16(const unsigned char* data, std::size_t size) {
  return Crc16Update(0, data, size);
}

}  // namespace lzh
