// Small encoders for the methods no installed tool writes (-lh1-, -lzs-,
// -lz5-). They only need to produce valid streams; lhasa checks them as an
// independent decoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lzhtest {

class BitWriter {
 public:
  void Put(std::uint32_t value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) {
      acc_ = static_cast<unsigned char>((acc_ << 1) | ((value >> i) & 1));
      if (++n_ == 8) {
        out_ += static_cast<char>(acc_);
        acc_ = 0;
        n_ = 0;
      }
    }
  }
  std::string Finish() {
    if (n_) Put(0, 8 - n_);
    return out_;
  }

 private:
  std::string out_;
  unsigned char acc_ = 0;
  unsigned n_ = 0;
};

// Longest match for data[i..] in a ring whose positions are absolute: the
// bytes the match itself writes (from ring position r on) are seen as they
// will be when the decoder copies byte by byte.
template <std::size_t N>
unsigned RingMatch(const unsigned char* ring, std::size_t r, const std::string& data, std::size_t i,
                   unsigned minLen, unsigned maxLen, std::size_t& bestPos) {
  unsigned best = 0;
  for (std::size_t pos = 0; pos < N; ++pos) {
    unsigned k = 0;
    while (k < maxLen && i + k < data.size()) {
      std::size_t q = (pos + k) & (N - 1);
      std::size_t d = (q - r) & (N - 1);
      unsigned char b = d < k ? static_cast<unsigned char>(data[i + d]) : ring[q];
      if (b != static_cast<unsigned char>(data[i + k])) break;
      ++k;
    }
    if (k > best) {
      best = k;
      bestPos = pos;
    }
  }
  return best >= minLen ? best : 0;
}

inline std::string EncodeLzs(const std::string& data) {
  unsigned char ring[2048];
  for (auto& b : ring) b = ' ';
  std::size_t r = 2048 - 17;
  BitWriter w;
  for (std::size_t i = 0; i < data.size();) {
    std::size_t pos = 0;
    unsigned len = RingMatch<2048>(ring, r, data, i, 2, 17, pos);
    if (len) {
      w.Put(0, 1);
      w.Put(static_cast<std::uint32_t>(pos), 11);
      w.Put(len - 2, 4);
    } else {
      len = 1;
      w.Put(1, 1);
      w.Put(static_cast<unsigned char>(data[i]), 8);
    }
    for (unsigned k = 0; k < len; ++k) {
      ring[r] = static_cast<unsigned char>(data[i + k]);
      r = (r + 1) & 2047;
    }
    i += len;
  }
  return w.Finish();
}

inline std::string EncodeLz5(const std::string& data) {
  unsigned char ring[4096];
  std::size_t at = 0;
  for (unsigned v = 0; v < 256; ++v)
    for (int k = 0; k < 13; ++k) ring[at++] = static_cast<unsigned char>(v);
  for (unsigned v = 0; v < 256; ++v) ring[at++] = static_cast<unsigned char>(v);
  for (unsigned v = 0; v < 256; ++v) ring[at++] = static_cast<unsigned char>(255 - v);
  for (int k = 0; k < 128; ++k) ring[at++] = 0;
  for (int k = 0; k < 110; ++k) ring[at++] = ' ';
  for (int k = 0; k < 18; ++k) ring[at++] = 0;
  std::size_t r = 4096 - 18;
  std::string out;
  std::string group;
  unsigned flags = 0;
  int items = 0;
  auto flush = [&] {
    out += static_cast<char>(flags);
    out += group;
    group.clear();
    flags = 0;
    items = 0;
  };
  for (std::size_t i = 0; i < data.size();) {
    std::size_t pos = 0;
    unsigned len = RingMatch<4096>(ring, r, data, i, 3, 18, pos);
    if (len) {
      group += static_cast<char>(pos & 0xFF);
      group += static_cast<char>(((pos >> 4) & 0xF0) | (len - 3));
    } else {
      len = 1;
      flags |= 1u << items;
      group += data[i];
    }
    for (unsigned k = 0; k < len; ++k) {
      ring[r] = static_cast<unsigned char>(data[i + k]);
      r = (r + 1) & 4095;
    }
    i += len;
    if (++items == 8) flush();
  }
  if (items) flush();
  return out;
}

// -lh1-: the adaptive Huffman model mirrored on the encoding side.
class Lh1Encoder {
 public:
  Lh1Encoder() {
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
    freq_[kNodes] = 0xFFFF;
    parent_[kRoot] = 0;
  }

  std::string Encode(const std::string& data) {
    BitWriter w;
    for (std::size_t i = 0; i < data.size();) {
      unsigned best = 0;
      std::size_t bestDist = 0;
      for (std::size_t dist = 0; dist < 4096 && dist < i; ++dist) {
        std::size_t src = i - dist - 1;
        unsigned k = 0;
        while (k < 60 && i + k < data.size() && data[src + k] == data[i + k]) ++k;
        if (k > best) {
          best = k;
          bestDist = dist;
        }
      }
      if (best >= 3) {
        Symbol(w, 253 + static_cast<int>(best));
        unsigned high = static_cast<unsigned>(bestDist >> 6);
        unsigned len = 0, code = 0;
        HighCode(high, len, code);
        w.Put(code, len);
        w.Put(static_cast<std::uint32_t>(bestDist & 0x3F), 6);
        i += best;
      } else {
        Symbol(w, static_cast<unsigned char>(data[i]));
        ++i;
      }
    }
    return w.Finish();
  }

 private:
  static constexpr int kSymbols = 314;
  static constexpr int kNodes = 2 * kSymbols - 1;
  static constexpr int kRoot = kNodes - 1;

  static void HighCode(unsigned symbol, unsigned& len, unsigned& code) {
    static const unsigned spans[][2] = {{1, 3}, {3, 4}, {8, 5}, {12, 6}, {24, 7}, {16, 8}};
    unsigned next = 0, sym = 0, prevLen = 3;
    for (const auto& s : spans) {
      next <<= (s[1] - prevLen);
      prevLen = s[1];
      for (unsigned k = 0; k < s[0]; ++k, ++sym, ++next) {
        if (sym == symbol) {
          len = s[1];
          code = next;
          return;
        }
      }
    }
  }

  void Symbol(BitWriter& w, int c) {
    std::vector<int> bits;
    for (int node = parent_[c + kNodes]; node != kRoot; node = parent_[node]) {
      bits.push_back(node - son_[parent_[node]]);
    }
    for (std::size_t k = bits.size(); k-- > 0;) w.Put(static_cast<std::uint32_t>(bits[k]), 1);
    Update(c);
  }

  void Rebuild() {
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
      if (k >= kNodes) parent_[k] = i; else parent_[k] = parent_[k + 1] = i;
    }
  }

  void Update(int symbol) {
    if (freq_[kRoot] == 0x8000) Rebuild();
    int c = parent_[symbol + kNodes];
    do {
      unsigned k = ++freq_[c];
      int l = c + 1;
      if (k > freq_[l]) {
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

}  // namespace lzhtest
