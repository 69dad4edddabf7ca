#include "lzh/bits.h"

namespace lzh {
namespace detail {
namespace {

// Eight bytes as loaded, with the first in the low byte.
std::uint64_t Little(std::uint64_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  return __builtin_bswap64(v);
#else
  return v;
#endif
}

// Calls f(symbol, length) for every symbol of nonzero length, in order,
// looking at eight lengths at a time: a mask of the nonzero ones skips the
// unused symbols, which are most of a small block's alphabet.
template <typename F>
void ForEachUsed(const unsigned char* lengths, unsigned n, F&& f) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  for (unsigned base = 0; base < n; base += 8) {
    std::uint64_t eight = 0;
    if (n - base >= 8) {
      std::memcpy(&eight, lengths + base, 8);
      eight = Little(eight);
    } else {
      for (unsigned i = 0; base + i < n; ++i) eight |= static_cast<std::uint64_t>(lengths[base + i]) << (8 * i);
    }
    // The top bit of each byte: set where that length is not zero.
    std::uint64_t nonzero = (((eight & kLow7) + kLow7) | eight) & ~kLow7;
    while (nonzero) {
      unsigned i = static_cast<unsigned>(__builtin_ctzll(nonzero)) >> 3;
      nonzero &= nonzero - 1;
      f(base + i, lengths[base + i]);
    }
  }
}

}  // namespace

bool HuffTable::Build(const unsigned char* lengths, unsigned n, unsigned bits) {
  // Lengths over 16 are all counted in count[17], which must stay empty.
  unsigned count[18] = {};
  ForEachUsed(lengths, n, [&count](unsigned, unsigned len) { ++count[std::min(len, 17u)]; });
  if (count[17]) return false;
  unsigned maxLen = 16;
  while (maxLen > 0 && count[maxLen] == 0) --maxLen;
  long left = 1;
  std::uint32_t used = 0;   // code space taken, in units of 2^-16
  std::size_t shortEnd = 0;  // primary entries taken by codes of `bits` bits or fewer
  for (unsigned len = 1; len <= 16; ++len) {
    left = left * 2 - static_cast<long>(count[len]);
    if (left < 0) return false;  // over-subscribed: no prefix code has these lengths
    used += count[len] << (16 - len);
    if (len <= bits) shortEnd += static_cast<std::size_t>(count[len]) << (bits - len);
  }
  bits_ = bits;
  subBits_ = maxLen > bits ? maxLen - bits : 1;
  const std::size_t primary = std::size_t{1} << bits;
  const std::size_t subSize = std::size_t{1} << subBits_;
  // Canonical codes take the code space in order from the start without
  // gaps: short codes first, then the prefixes of the long ones, then (for
  // an incomplete code) the unused rest. So the primary entries from
  // shortEnd to usedEnd each link to a second-level table, laid out in
  // prefix order, and nothing before usedEnd needs clearing first.
  const std::size_t usedEnd = (used + (std::uint32_t{1} << (16 - bits)) - 1) >> (16 - bits);
  std::size_t need = primary + (usedEnd - shortEnd) * subSize;
  if (store_->size() < need) store_->resize(need);
  std::uint32_t* table = store_->data();
  for (std::size_t prefix = shortEnd; prefix < usedEnd; ++prefix) {
    std::size_t at = primary + (prefix - shortEnd) * subSize;
    table[prefix] = static_cast<std::uint32_t>(at << 8) | kLink;
    std::fill(table + at, table + at + subSize, kInvalidEntry);
  }
  std::fill(table + usedEnd, table + primary, kInvalidEntry);

  unsigned next[18] = {};
  for (unsigned len = 1; len <= 16; ++len) next[len + 1] = (next[len] + count[len]) << 1;
  auto place = [&](unsigned sym, unsigned len) {
    unsigned code = next[len]++;
    std::uint32_t entry = (sym << 8) | len;
    std::uint32_t* first;
    std::size_t span;
    if (len <= bits) {
      first = table + (static_cast<std::size_t>(code) << (bits - len));
      span = std::size_t{1} << (bits - len);
    } else {
      unsigned extra = len - bits;
      std::size_t prefix = code >> extra;
      std::size_t low = code & ((1u << extra) - 1);
      first = table + primary + (prefix - shortEnd) * subSize + (low << (subBits_ - extra));
      span = std::size_t{1} << (subBits_ - extra);
    }
    if (span >= 8) {
      // Spans are powers of two: eight entries per step, in two 16-byte stores.
      const std::uint32_t four[4] = {entry, entry, entry, entry};
      for (std::size_t k = 0; k < span; k += 8) {
        std::memcpy(first + k, four, 16);
        std::memcpy(first + k + 4, four, 16);
      }
    } else if (span == 4) {
      const std::uint32_t four[4] = {entry, entry, entry, entry};
      std::memcpy(first, four, 16);
    } else {
      first[0] = entry;
      first[span - 1] = entry;
    }
  };
  ForEachUsed(lengths, n, place);
  return true;
}

void HuffTable::SetConstant(unsigned symbol, unsigned bits) {
  bits_ = bits;
  subBits_ = 1;
  if (store_->size() < (std::size_t{1} << bits)) store_->resize(std::size_t{1} << bits);
  std::fill(store_->begin(), store_->begin() + (std::ptrdiff_t{1} << bits), symbol << 8);
}

}  // namespace detail
}  // namespace lzh
