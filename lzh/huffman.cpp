#include "lzh/bits.h"

namespace lzh {
namespace detail {

bool HuffTable::Build(const unsigned char* lengths, unsigned n, unsigned bits) {
  unsigned count[17] = {};
  unsigned maxLen = 0;
  for (unsigned i = 0; i < n; ++i) {
    if (lengths[i] > 16) return false;
    ++count[lengths[i]];
    if (lengths[i] > maxLen) maxLen = lengths[i];
  }
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
  for (unsigned sym = 0; sym < n; ++sym) {
    unsigned len = lengths[sym];
    if (len == 0) continue;
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
    if (span >= 4) {
      // Spans are powers of two: fill four entries per step.
      std::uint64_t pair = entry | static_cast<std::uint64_t>(entry) << 32;
      for (std::size_t k = 0; k < span; k += 4) {
        std::memcpy(first + k, &pair, 8);
        std::memcpy(first + k + 2, &pair, 8);
      }
    } else {
      first[0] = entry;
      first[span - 1] = entry;
    }
  }
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
