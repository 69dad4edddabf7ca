// Internal: the bit reader, output window and Huffman tables the method
// decoders share.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "lzh/input.h"
#include "lzh/status.h"

namespace lzh {

class Sink;
namespace detail {

// Reads the packed data of one member most significant bit first. Past the
// member's packed size it supplies zero bits and counts them, so the
// decoders can peek ahead freely and the end check can tell whether they
// really used more bits than there were.
struct BitReader {
  BitReader(Input& input, std::uint64_t packed) : in(&input), remaining(packed) {}

  Input* in;
  std::uint64_t remaining;  // packed bytes not yet taken from the input
  const unsigned char* p = nullptr;
  const unsigned char* end = nullptr;
  std::uint64_t buf = 0;  // valid bits at the top
  unsigned count = 0;     // number of valid bits in buf
  std::uint64_t zeroBytes = 0;
  bool inputEnded = false;  // the input ended before the packed size

  // Makes at least 56 bits valid.
  void RefillSlow() {
    while (count <= 56) {
      if (p == end) {
        std::size_t want = remaining < (1u << 30) ? static_cast<std::size_t>(remaining) : (1u << 30);
        std::size_t got = want ? in->Take(&p, want) : 0;
        if (got == 0) {
          if (remaining) inputEnded = true;
          p = end = nullptr;
          ++zeroBytes;
          count += 8;
          continue;
        }
        remaining -= got;
        end = p + got;
      }
      buf |= static_cast<std::uint64_t>(*p++) << (56 - count);
      count += 8;
    }
  }
  void Refill() {
    if (count < 56) {
      if (end - p >= 8) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        v = __builtin_bswap64(v);
        buf |= v >> count;
        unsigned bytes = (64 - count) >> 3;
        p += bytes;
        count += bytes * 8;
      } else {
        RefillSlow();
      }
    }
  }
  // n in 1..32, with n <= count.
  std::uint32_t Peek(unsigned n) const { return static_cast<std::uint32_t>(buf >> (64 - n)); }
  void Drop(unsigned n) {
    buf <<= n;
    count -= n;
  }
  std::uint32_t Get(unsigned n) {
    if (n == 0) return 0;
    Refill();
    std::uint32_t v = Peek(n);
    Drop(n);
    return v;
  }
  // True when the decoder used bits beyond the member's packed data.
  bool Overrun() const { return zeroBytes * 8 > count; }
};

// Output window: a history area of kHistory bytes (pre-filled) followed by
// the newest output. When the newest output passes `limit` it goes to the
// sink and the last kHistory bytes slide to the front, so a match can always
// copy from `out - distance - 1` with plain pointer arithmetic. The slack
// after `limit` takes the longest match plus an 8-byte overrun of the copy.
class Window {
 public:
  static constexpr std::size_t kHistory = 64 * 1024;
  static constexpr std::size_t kChunk = 256 * 1024;
  static constexpr std::size_t kSlack = 512;

  // `reach` is the farthest distance back the method can copy from; only
  // that much history needs its initial fill.
  Window(std::vector<unsigned char>& buffer, Sink* sink, std::uint64_t total, unsigned char fill, std::size_t reach)
      : buffer_(buffer), sink_(sink), total_(total) {
    buffer_.resize(kHistory + kChunk + kSlack);
    std::memset(buffer_.data() + kHistory - reach, fill, reach);
    out = flushFrom_ = buffer_.data() + kHistory;
    limit_ = flushFrom_ + kChunk;
    SetStop();
  }

  unsigned char* out;
  // Output is due for attention (flush or end) once `out` reaches `stop`.
  unsigned char* stop;

  std::uint64_t Produced() const { return flushed_ + static_cast<std::uint64_t>(out - flushFrom_); }
  std::uint64_t Left() const { return total_ - Produced(); }
  bool Done() const { return Produced() == total_; }
  std::uint16_t Crc() const { return crc_; }

  // Called when out >= stop: flushes a full chunk, detects output past the
  // stated size. Ok while more output is due, End when exactly complete.
  Status Settle();
  // Writes whatever is not yet written (at the end of the member).
  bool FlushAll();

 private:
  void SetStop() {
    std::uint64_t left = total_ - Produced();
    std::size_t room = static_cast<std::size_t>(limit_ - out);
    stop = out + (left < room ? static_cast<std::size_t>(left) : room);
  }

  std::vector<unsigned char>& buffer_;
  Sink* sink_;
  std::uint64_t total_;
  std::uint64_t flushed_ = 0;  // bytes already handed to the sink
  unsigned char* flushFrom_;
  unsigned char* limit_;
  std::uint16_t crc_ = 0;
};

// Canonical Huffman decoding table with a primary lookup of `bits` bits and
// second-level tables for longer codes (up to 16 bits).
class HuffTable {
 public:
  static constexpr std::uint32_t kLink = 0x80;
  static constexpr std::uint32_t kInvalid = 0x40;

  // Builds from code lengths (0 = unused). False for a length over 16 or an
  // over-subscribed set; an incomplete set leaves its unused codes invalid.
  bool Build(const unsigned char* lengths, unsigned n, unsigned bits);
  // Every lookup gives `symbol` and consumes no bits.
  void SetConstant(unsigned symbol, unsigned bits);

  // Entry for the next bits of `buf` (at least 16 valid): symbol << 8 | length,
  // or an entry with kInvalid set.
  std::uint32_t Lookup(std::uint64_t buf) const {
    std::uint32_t e = table_[static_cast<std::size_t>(buf >> (64 - bits_))];
    if (e & kLink) {
      e = table_[(e >> 8) + static_cast<std::size_t>((buf << bits_) >> (64 - subBits_))];
    }
    return e;
  }

 private:
  std::vector<std::uint32_t> table_;
  unsigned bits_ = 1;
  unsigned subBits_ = 1;
};

Status DecodeStatic(BitReader& br, Window& w, unsigned np, unsigned pbit);
Status DecodeLh1(BitReader& br, Window& w);
Status DecodeLzs(BitReader& br, Window& w);
Status DecodeLz5(BitReader& br, Window& w);

}  // namespace detail
}  // namespace lzh
