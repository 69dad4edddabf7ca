// Internal: the pieces of the -lh5-/-lh6-/-lh7- encoder (bit writer, Huffman
// code lengths, block writer, match finder and parser).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzh/encoder.h"

namespace lzh {
namespace detail {

constexpr unsigned kEncNc = 510;  // literals 0..255, then lengths 3..256
constexpr unsigned kEncNt = 19;
constexpr unsigned kEncMaxNp = 17;
constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 256;
constexpr unsigned kMaxCodeLength = 16;

// Method constants: window bits, position codes and the width of their count.
struct MethodParams {
  unsigned dictBits;
  unsigned np;
  unsigned pbit;
};
MethodParams ParamsOf(Method m);

// Writes bits most significant first into a byte vector.
class BitWriter {
 public:
  explicit BitWriter(std::vector<unsigned char>& out) : out_(out) {}
  // `bits` in 0..32, `value` below 2^bits.
  void Put(std::uint32_t value, unsigned bits) {
    total_ += bits;
    acc_ = (acc_ << bits) | value;
    n_ += bits;
    if (n_ >= 32) {
      n_ -= 32;
      std::uint32_t v = static_cast<std::uint32_t>(acc_ >> n_);
      out_.push_back(static_cast<unsigned char>(v >> 24));
      out_.push_back(static_cast<unsigned char>(v >> 16));
      out_.push_back(static_cast<unsigned char>(v >> 8));
      out_.push_back(static_cast<unsigned char>(v));
    }
  }
  // Writes the whole bytes held back; up to 7 bits stay pending.
  void FlushBytes() {
    while (n_ >= 8) {
      n_ -= 8;
      out_.push_back(static_cast<unsigned char>(acc_ >> n_));
    }
  }
  // Pads the last byte with zero bits.
  void Finish() {
    FlushBytes();
    if (n_) Put(0, 8 - n_);
    FlushBytes();
  }
  // Bits written so far.
  std::uint64_t Total() const { return total_; }

 private:
  std::vector<unsigned char>& out_;
  std::uint64_t acc_ = 0;
  unsigned n_ = 0;
  std::uint64_t total_ = 0;
};

// Code lengths of at most `maxLen` bits that minimise sum(freq * length)
// (package-merge). Unused symbols get 0. With one used symbol it gets
// length 0 too: the caller sends such a table as a constant.
void LimitedLengths(const std::uint32_t* freq, unsigned n, unsigned maxLen, unsigned char* len);
// Canonical codes for the lengths, as the decoders assign them.
void CanonicalCodes(const unsigned char* len, unsigned n, std::uint16_t* code);

// A command: the C symbol in the low 9 bits; for a match, the distance
// minus one above them.
inline std::uint32_t LiteralCommand(unsigned char c) { return c; }
inline std::uint32_t MatchCommand(unsigned length, unsigned distance) {
  return (length + 253) | ((distance - 1) << 9);
}
// Position code of a distance minus one: 0, 1, or the bit length of it.
inline unsigned PositionCode(std::uint32_t d) { return d == 0 ? 0 : 32 - static_cast<unsigned>(__builtin_clz(d)); }

struct BlockFreq {
  std::uint32_t c[kEncNc];
  std::uint32_t p[kEncMaxNp];
};

// Bits of one block holding the commands counted in `f` (or writes it to
// `w` with the commands themselves when both are given). `clen` and `plen`
// receive the code lengths chosen, for the parser's cost estimates.
// `longer` asks for 3 more bits where a table allows it (the result tells).
std::uint64_t EncodeBlock(const BlockFreq& f, const std::uint32_t* cmds, std::size_t count, const MethodParams& mp,
                          BitWriter* w, unsigned char* clen = nullptr, unsigned char* plen = nullptr,
                          bool longer = false);

// Receives packed bytes.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Put(const unsigned char* data, std::size_t size) = 0;
};

}  // namespace detail

// Compresses one member's data; keeps its buffers from member to member.
class MemberEncoder {
 public:
  MemberEncoder();
  ~MemberEncoder();
  MemberEncoder(const MemberEncoder&) = delete;
  MemberEncoder& operator=(const MemberEncoder&) = delete;

  struct Result {
    EncodeStatus status = EncodeStatus::Ok;
    bool gaveUp = false;  // the packed data reached `giveUpAt` and was abandoned
    std::uint64_t original = 0;
    std::uint64_t packed = 0;
    std::uint16_t crc = 0;
  };
  // Compresses all of `src` with `method` into `out`. Stops early (gaveUp)
  // once the packed data reaches `giveUpAt` bytes.
  Result Encode(Method method, Source& src, detail::ByteSink& out, std::uint64_t giveUpAt);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace lzh
