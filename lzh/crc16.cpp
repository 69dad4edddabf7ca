#include "lzh/crc16.h"

namespace lzh {
namespace {

// Sixteen tables let the loop fold sixteen bytes per step (slicing-by-16).
struct Tables {
  std::uint16_t t[16][256];
  Tables() {
    for (unsigned i = 0; i < 256; ++i) {
      unsigned c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
      t[0][i] = static_cast<std::uint16_t>(c);
    }
    for (unsigned i = 0; i < 256; ++i) {
      for (int k = 1; k < 16; ++k) {
        std::uint16_t prev = t[k - 1][i];
        t[k][i] = static_cast<std::uint16_t>((prev >> 8) ^ t[0][prev & 0xFF]);
      }
    }
  }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

}  // namespace

std::uint16_t Crc16Update(std::uint16_t crc, const unsigned char* p, std::size_t n) {
  const Tables& tb = GetTables();
  unsigned c = crc;
  while (n >= 16) {
    unsigned a = c ^ (p[0] | (p[1] << 8));
    c = tb.t[15][a & 0xFF] ^ tb.t[14][a >> 8] ^ tb.t[13][p[2]] ^ tb.t[12][p[3]] ^ tb.t[11][p[4]] ^
        tb.t[10][p[5]] ^ tb.t[9][p[6]] ^ tb.t[8][p[7]] ^ tb.t[7][p[8]] ^ tb.t[6][p[9]] ^ tb.t[5][p[10]] ^
        tb.t[4][p[11]] ^ tb.t[3][p[12]] ^ tb.t[2][p[13]] ^ tb.t[1][p[14]] ^ tb.t[0][p[15]];
    p += 16;
    n -= 16;
  }
  while (n--) c = (c >> 8) ^ tb.t[0][(c ^ *p++) & 0xFF];
  return static_cast<std::uint16_t>(c);
}

}  // namespace lzh
