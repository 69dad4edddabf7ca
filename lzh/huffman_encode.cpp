// Code lengths for the encoder: optimal under a length limit (plain Huffman
// when it fits, package-merge otherwise), and the canonical codes the
// decoders derive from them.
#include <algorithm>
#include <cstring>

#include "lzh/encode_internal.h"

namespace lzh {
namespace detail {

namespace {

// Plain Huffman lengths (two queues over the sorted symbols); true when none
// exceeds `maxLen`, in which case they are optimal under the limit too and
// package-merge is not needed. Leaves `len` untouched otherwise.
bool UnlimitedFits(const std::uint32_t* freq, const std::vector<unsigned>& syms, unsigned maxLen, unsigned char* len) {
  const std::size_t m = syms.size();
  std::vector<std::uint64_t> weight(2 * m - 1);
  std::vector<std::uint32_t> parent(2 * m - 1);
  for (std::size_t i = 0; i < m; ++i) weight[i] = freq[syms[i]];
  std::size_t leaf = 0, inner = m;
  auto smallest = [&](std::size_t made) {
    if (leaf < m && (inner == made || weight[leaf] <= weight[inner])) return leaf++;
    return inner++;
  };
  for (std::size_t k = m; k < 2 * m - 1; ++k) {
    std::size_t a = smallest(k);
    std::size_t b = smallest(k);
    weight[k] = weight[a] + weight[b];
    parent[a] = parent[b] = static_cast<std::uint32_t>(k);
  }
  // Depths from the root down, reusing `weight`.
  weight[2 * m - 2] = 0;
  for (std::size_t k = 2 * m - 2; k-- > 0;) {
    weight[k] = weight[parent[k]] + 1;
    if (k < m && weight[k] > maxLen) return false;
  }
  for (std::size_t i = 0; i < m; ++i) len[syms[i]] = static_cast<unsigned char>(weight[i]);
  return true;
}

}  // namespace

void LimitedLengths(const std::uint32_t* freq, unsigned n, unsigned maxLen, unsigned char* len) {
  std::memset(len, 0, n);
  std::vector<unsigned> syms;
  for (unsigned i = 0; i < n; ++i) {
    if (freq[i]) syms.push_back(i);
  }
  if (syms.size() < 2) return;
  if (syms.size() == 2) {
    len[syms[0]] = len[syms[1]] = 1;
    return;
  }
  std::stable_sort(syms.begin(), syms.end(), [&](unsigned a, unsigned b) { return freq[a] < freq[b]; });
  if (UnlimitedFits(freq, syms, maxLen, len)) return;

  // A node is a leaf (right < 0, left = symbol) or a package of two nodes.
  struct Node {
    std::uint64_t weight;
    int left;
    int right;
  };
  std::vector<Node> nodes;
  nodes.reserve(syms.size() * (maxLen + 1));
  std::vector<int> leaves;
  for (unsigned s : syms) {
    leaves.push_back(static_cast<int>(nodes.size()));
    nodes.push_back({freq[s], static_cast<int>(s), -1});
  }
  std::vector<int> cur = leaves, packages, merged;
  for (unsigned level = 1; level < maxLen; ++level) {
    packages.clear();
    for (std::size_t i = 0; i + 1 < cur.size(); i += 2) {
      packages.push_back(static_cast<int>(nodes.size()));
      nodes.push_back({nodes[cur[i]].weight + nodes[cur[i + 1]].weight, cur[i], cur[i + 1]});
    }
    merged.clear();
    std::size_t i = 0, j = 0;
    while (i < leaves.size() || j < packages.size()) {
      if (j == packages.size() || (i < leaves.size() && nodes[leaves[i]].weight <= nodes[packages[j]].weight)) {
        merged.push_back(leaves[i++]);
      } else {
        merged.push_back(packages[j++]);
      }
    }
    cur.swap(merged);
  }
  // Each symbol's length is the number of chosen items that contain it.
  std::size_t take = 2 * syms.size() - 2;
  std::vector<int> stack;
  for (std::size_t k = 0; k < take && k < cur.size(); ++k) {
    stack.push_back(cur[k]);
    while (!stack.empty()) {
      const Node& nd = nodes[stack.back()];
      stack.pop_back();
      if (nd.right < 0) {
        ++len[nd.left];
      } else {
        stack.push_back(nd.left);
        stack.push_back(nd.right);
      }
    }
  }
}

void CanonicalCodes(const unsigned char* len, unsigned n, std::uint16_t* code) {
  unsigned count[kMaxCodeLength + 1] = {};
  for (unsigned i = 0; i < n; ++i) ++count[len[i]];
  count[0] = 0;
  unsigned next[kMaxCodeLength + 2] = {};
  for (unsigned l = 1; l <= kMaxCodeLength; ++l) next[l + 1] = (next[l] + count[l]) << 1;
  for (unsigned i = 0; i < n; ++i) {
    code[i] = len[i] ? static_cast<std::uint16_t>(next[len[i]]++) : 0;
  }
}

}  // namespace detail
}  // namespace lzh
