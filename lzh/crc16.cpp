#include "lzh/crc16.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define LZH_CRC_CLMUL 1
#endif

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

std::uint16_t TableUpdate(std::uint16_t crc, const unsigned char* p, std::size_t n) {
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

#ifdef LZH_CRC_CLMUL
// x^n mod P for P = x^16 + x^15 + x^2 + 1, bit d holding the coefficient of x^d.
constexpr std::uint64_t PowMod(unsigned n) {
  std::uint32_t r = 1;
  for (unsigned i = 0; i < n; ++i) {
    r <<= 1;
    if (r & 0x10000) r ^= 0x18005;
  }
  return r;
}
// The same polynomial in the reflected order of the data: x^d at bit 63 - d.
constexpr std::uint64_t Reflect64(std::uint64_t v) {
  std::uint64_t r = 0;
  for (unsigned d = 0; d < 64; ++d) {
    if (v >> d & 1) r |= std::uint64_t{1} << (63 - d);
  }
  return r;
}

// Computed while compiling, never per call.
constexpr std::uint64_t kFold127 = Reflect64(PowMod(127));
constexpr std::uint64_t kFold191 = Reflect64(PowMod(191));
constexpr std::uint64_t kFold511 = Reflect64(PowMod(511));
constexpr std::uint64_t kFold575 = Reflect64(PowMod(575));

// Folds 16 bytes at a time with carry-less multiplication. A 16-byte
// register X stands for the data so far: its first 8 bytes are the high
// half H, its last 8 the low half L, X = H x^64 + L. Moving X past the
// next 16 bytes multiplies it by x^128, and H x^192 + L x^128 is congruent
// modulo P to H (x^192 mod P) + L (x^128 mod P), two products that fit in
// 128 bits. In the reflected order a carry-less product comes out one place
// short, hence the constants for x^191 and x^127. At the end the register
// is 16 bytes of data with the same CRC as everything folded into it.
//
// Four registers take 64 bytes per step, each moved past the next 64 bytes
// (x^512: constants for x^575 and x^511), so that four multiplications are
// in flight instead of one waiting for the last; at the end they are folded
// into one, 16 bytes at a time. Needs at least 64 bytes.
__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

__attribute__((target("pclmul,sse2"))) std::uint16_t ClmulUpdate(std::uint16_t crc, const unsigned char* p,
                                                                  std::size_t n) {
  auto load = [](const unsigned char* q) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q)); };
  const __m128i k16 = _mm_set_epi64x(static_cast<long long>(kFold127), static_cast<long long>(kFold191));
  const __m128i k64 = _mm_set_epi64x(static_cast<long long>(kFold511), static_cast<long long>(kFold575));
  // The starting value is the same as XORing it into the first two bytes.
  __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(crc));
  __m128i x1 = load(p + 16), x2 = load(p + 32), x3 = load(p + 48);
  p += 64;
  n -= 64;
  while (n >= 64) {
    x0 = Fold(x0, k64, load(p));
    x1 = Fold(x1, k64, load(p + 16));
    x2 = Fold(x2, k64, load(p + 32));
    x3 = Fold(x3, k64, load(p + 48));
    p += 64;
    n -= 64;
  }
  __m128i x = Fold(Fold(Fold(x0, k16, x1), k16, x2), k16, x3);
  while (n >= 16) {
    x = Fold(x, k16, load(p));
    p += 16;
    n -= 16;
  }
  unsigned char folded[16];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(folded), x);
  return TableUpdate(TableUpdate(0, folded, 16), p, n);
}

bool HaveClmul() {
  static const bool have = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
  return have;
}
#endif

}  // namespace

std::uint16_t Crc16Update(std::uint16_t crc, const unsigned char* p, std::size_t n) {
#ifdef LZH_CRC_CLMUL
  if (n >= 64 && HaveClmul()) return ClmulUpdate(crc, p, n);
#endif
  return TableUpdate(crc, p, n);
}

}  // namespace lzh
