// Internal: the bit reader, output window and Huffman tables the method
// decoders share.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "lzh/decoder.h"
#include "lzh/input.h"
#include "lzh/status.h"

namespace lzh {

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

  // Makes 56 to 63 bits valid.
  void RefillSlow() {
    while (count < 56) {
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
  // Makes at least 56 and at most 63 bits valid (the decoding loops shift
  // by `count`, which must stay below 64).
  void Refill() {
    if (count < 56) {
      if (end - p >= 8) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        buf |= __builtin_bswap64(v) >> count;
        p += (63 - count) >> 3;
        count |= 56;
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
  // The fill is the space character of every method that uses history
  // before the start; the workspace remembers how much of it a previous
  // member left intact (only a slide overwrites it).
  static constexpr unsigned char kFill = 0x20;
  Window(Workspace& workspace, Sink* sink, std::uint64_t total, std::size_t reach)
      : buffer_(workspace.window), filled_(workspace.historyFilled), sink_(sink), total_(total) {
    if (buffer_.size() != kHistory + kChunk + kSlack) {
      buffer_.resize(kHistory + kChunk + kSlack);
      filled_ = 0;
    }
    if (reach > filled_) {
      std::memset(buffer_.data() + kHistory - reach, kFill, reach - filled_);
      filled_ = reach;
    }
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
  std::size_t& filled_;
  Sink* sink_;
  std::uint64_t total_;
  std::uint64_t flushed_ = 0;  // bytes already handed to the sink
  unsigned char* flushFrom_;
  unsigned char* limit_;
  std::uint16_t crc_ = 0;
};

// Canonical Huffman decoding table with a primary lookup of `bits` bits and
// second-level tables for longer codes (up to 16 bits). The entries live in
// a vector the caller may keep between tables, so that rebuilding one (every
// block of every member) neither allocates nor clears.
class HuffTable {
 public:
  static constexpr std::uint32_t kLink = 0x80;
  static constexpr std::uint32_t kInvalid = 0x40;
  // An unused code: the symbol field is past every alphabet as well, so a
  // decoder that tests `symbol < 256` first meets it on its match path.
  static constexpr std::uint32_t kInvalidEntry = 0xFFFFFF00u | kInvalid;

  HuffTable() : store_(&own_) {}
  explicit HuffTable(std::vector<std::uint32_t>& storage) : store_(&storage) {}
  HuffTable(const HuffTable&) = delete;
  HuffTable& operator=(const HuffTable&) = delete;

  // Builds from code lengths (0 = unused). False for a length over 16 or an
  // over-subscribed set; an incomplete set leaves its unused codes invalid.
  bool Build(const unsigned char* lengths, unsigned n, unsigned bits);
  // Every lookup gives `symbol` and consumes no bits.
  void SetConstant(unsigned symbol, unsigned bits);

  // Entry for the next bits of `buf` (at least 16 valid): symbol << 8 | length,
  // or an entry with kInvalid set.
  std::uint32_t Lookup(std::uint64_t buf) const { return View().Lookup(buf); }

  // The table as plain values a decoding loop can keep in registers.
  struct Fast {
    const std::uint32_t* table;
    unsigned bits;
    unsigned subBits;
    // The primary entry alone: it may carry kLink.
    std::uint32_t First(std::uint64_t buf) const { return table[static_cast<std::size_t>(buf >> (64 - bits))]; }
    // Follows a kLink entry `e` to the second-level entry.
    std::uint32_t Second(std::uint32_t e, std::uint64_t buf) const {
      return table[(e >> 8) + static_cast<std::size_t>((buf << bits) >> (64 - subBits))];
    }
    std::uint32_t Lookup(std::uint64_t buf) const {
      std::uint32_t e = First(buf);
      return (e & kLink) ? Second(e, buf) : e;
    }
  };
  Fast View() const { return Fast{store_->data(), bits_, subBits_}; }

 private:
  std::vector<std::uint32_t> own_;
  std::vector<std::uint32_t>* store_;
  unsigned bits_ = 1;
  unsigned subBits_ = 1;
};

Status DecodeStatic(BitReader& br, Window& w, Workspace& workspace, unsigned np, unsigned pbit);
Status DecodeLh1(BitReader& br, Window& w);
Status DecodeLzs(BitReader& br, Window& w);
Status DecodeLz5(BitReader& br, Window& w);

}  // namespace detail
}  // namespace lzh
