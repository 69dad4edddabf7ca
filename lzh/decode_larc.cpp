// -lzs- and -lz5-, the LArc methods: LZSS with flag bits and match positions
// given as absolute offsets into a small ring buffer.
#include "lzh/bits.h"

namespace lzh {
namespace detail {
namespace {

template <std::size_t N>
struct Ring {
  unsigned char bytes[N];
  std::size_t pos;
};

// Emits one byte into the ring and the window. End once the member is complete.
template <std::size_t N>
Status Emit(Ring<N>& ring, Window& w, unsigned char c) {
  ring.bytes[ring.pos] = c;
  ring.pos = (ring.pos + 1) & (N - 1);
  *w.out++ = c;
  return w.out >= w.stop ? w.Settle() : Status::Ok;
}

// Copies `length` bytes from absolute ring offset `from`, byte by byte: the
// source may overlap the bytes being written.
template <std::size_t N>
Status CopyFromRing(Ring<N>& ring, Window& w, std::size_t from, unsigned length) {
  if (length > w.Left()) return Status::SizeMismatch;
  for (unsigned k = 0; k < length; ++k) {
    Status s = Emit(ring, w, ring.bytes[(from + k) & (N - 1)]);
    if (s != Status::Ok) return s;
  }
  return Status::Ok;
}

Status Finish(Status s) { return s == Status::End ? Status::Ok : s; }

}  // namespace

Status DecodeLzs(BitReader& br, Window& w) {
  Ring<2048> ring;
  std::memset(ring.bytes, ' ', sizeof ring.bytes);
  ring.pos = 2048 - 17;
  for (;;) {
    if (br.Overrun()) return br.inputEnded ? Status::Truncated : Status::BadData;
    Status s;
    if (br.Get(1)) {
      s = Emit(ring, w, static_cast<unsigned char>(br.Get(8)));
    } else {
      std::size_t from = br.Get(11);
      unsigned length = br.Get(4) + 2;
      s = CopyFromRing(ring, w, from, length);
    }
    if (s != Status::Ok) return Finish(s);
  }
}

Status DecodeLz5(BitReader& br, Window& w) {
  Ring<4096> ring;
  // LArc's initial ring: each byte value 13 times, then 0..255, 255..0,
  // 128 zeros, 110 spaces and 18 zeros.
  std::size_t at = 0;
  for (unsigned v = 0; v < 256; ++v) {
    std::memset(ring.bytes + at, static_cast<int>(v), 13);
    at += 13;
  }
  for (unsigned v = 0; v < 256; ++v) ring.bytes[at++] = static_cast<unsigned char>(v);
  for (unsigned v = 0; v < 256; ++v) ring.bytes[at++] = static_cast<unsigned char>(255 - v);
  std::memset(ring.bytes + at, 0, 128);
  at += 128;
  std::memset(ring.bytes + at, ' ', 110);
  at += 110;
  std::memset(ring.bytes + at, 0, 18);
  ring.pos = 4096 - 18;
  for (;;) {
    if (br.Overrun()) return br.inputEnded ? Status::Truncated : Status::BadData;
    unsigned flags = br.Get(8);
    for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
      Status s;
      if (flags & 1) {
        s = Emit(ring, w, static_cast<unsigned char>(br.Get(8)));
      } else {
        unsigned b0 = br.Get(8);
        unsigned b1 = br.Get(8);
        s = CopyFromRing(ring, w, b0 | ((b1 & 0xF0) << 4), (b1 & 0x0F) + 3);
      }
      if (s != Status::Ok) return Finish(s);
    }
  }
}

}  // namespace detail
}  // namespace lzh
