// -lh1-: LZSS over a 4 KiB window. Literals and match lengths share one
// adaptive Huffman code of 314 symbols whose tree is kept ordered by
// frequency (rebuilt at half counts when the root reaches 0x8000); the upper
// 6 bits of a match position come from a fixed code, the lower 6 bits raw.
#include "lzh/bits.h"

namespace lzh {
namespace detail {
namespace {

constexpr int kSymbols = 314;          // 256 literals + lengths 3..60
constexpr int kNodes = 2 * kSymbols - 1;
constexpr int kRoot = kNodes - 1;
constexpr unsigned kMaxFreq = 0x8000;

// The adaptive tree. Nodes are numbered 0..kNodes-1 in order of
// non-decreasing frequency; son[] >= kNodes marks a leaf (symbol + kNodes).
class AdaptiveTree {
 public:
  AdaptiveTree() {
    for (int i = 0; i < kSymbols; ++i) {
      freq_[i] = 1;
      son_[i] = i + kNodes;
      parent_[i + kNodes] = i;
    }
    for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
      freq_[j] = freq_[i] + freq_[i + 1];
      son_[j] = i;
      parent_[i] = parent_[i + 1] = j;
    }
    freq_[kNodes] = 0xFFFF;  // a sentinel above every real count
    parent_[kRoot] = 0;
  }

  int Decode(BitReader& br) {
    int c = son_[kRoot];
    while (c < kNodes) {
      br.Refill();
      c = son_[c + static_cast<int>(br.Peek(1))];
      br.Drop(1);
    }
    c -= kNodes;
    Update(c);
    return c;
  }

 private:
  void Rebuild() {
    // Collect the leaves with halved counts, then pair them up again,
    // inserting each new inner node where its count keeps the order.
    int j = 0;
    for (int i = 0; i < kNodes; ++i) {
      if (son_[i] >= kNodes) {
        freq_[j] = (freq_[i] + 1) / 2;
        son_[j] = son_[i];
        ++j;
      }
    }
    for (int i = 0, k = kSymbols; k < kNodes; i += 2, ++k) {
      unsigned f = freq_[i] + freq_[i + 1];
      int at = k;
      while (at > 0 && f < freq_[at - 1]) --at;
      for (int m = k; m > at; --m) {
        freq_[m] = freq_[m - 1];
        son_[m] = son_[m - 1];
      }
      freq_[at] = f;
      son_[at] = i;
    }
    for (int i = 0; i < kNodes; ++i) {
      int k = son_[i];
      if (k >= kNodes) {
        parent_[k] = i;
      } else {
        parent_[k] = parent_[k + 1] = i;
      }
    }
  }

  void Update(int symbol) {
    if (freq_[kRoot] == kMaxFreq) Rebuild();
    int c = parent_[symbol + kNodes];
    do {
      unsigned k = ++freq_[c];
      int l = c + 1;
      if (k > freq_[l]) {
        // Swap node c with the last node whose count is still below k.
        while (k > freq_[++l]) {
        }
        --l;
        freq_[c] = freq_[l];
        freq_[l] = k;
        int i = son_[c];
        parent_[i] = l;
        if (i < kNodes) parent_[i + 1] = l;
        int j = son_[l];
        son_[l] = i;
        parent_[j] = c;
        if (j < kNodes) parent_[j + 1] = c;
        son_[c] = j;
        c = l;
      }
      c = parent_[c];
    } while (c != 0);
  }

  unsigned freq_[kNodes + 1];
  int son_[kNodes];
  int parent_[kNodes + kSymbols];
};

}  // namespace

Status DecodeLh1(BitReader& br, Window& w) {
  // The fixed code of the upper 6 position bits: 1 code of 3 bits, 3 of 4,
  // 8 of 5, 12 of 6, 24 of 7 and 16 of 8, assigned in symbol order.
  static const unsigned char kSpans[][2] = {{1, 3}, {3, 4}, {8, 5}, {12, 6}, {24, 7}, {16, 8}};
  unsigned char lengths[64];
  unsigned at = 0;
  for (const auto& span : kSpans) {
    for (unsigned k = 0; k < span[0]; ++k) lengths[at++] = span[1];
  }
  HuffTable high;
  high.Build(lengths, 64, 8);

  AdaptiveTree tree;
  for (;;) {
    if (br.Overrun()) return br.inputEnded ? Status::Truncated : Status::BadData;
    int c = tree.Decode(br);
    if (c < 256) {
      *w.out++ = static_cast<unsigned char>(c);
    } else {
      unsigned length = static_cast<unsigned>(c) - 253;
      br.Refill();
      std::uint32_t e = high.Lookup(br.buf);
      br.Drop(e & 0x1F);
      std::size_t distance = ((e >> 8) << 6) | br.Get(6);
      const unsigned char* src = w.out - distance - 1;
      for (unsigned k = 0; k < length; ++k) w.out[k] = src[k];
      w.out += length;
    }
    if (w.out >= w.stop) {
      Status s = w.Settle();
      if (s == Status::End) return Status::Ok;
      if (s != Status::Ok) return s;
    }
  }
}

}  // namespace detail
}  // namespace lzh
