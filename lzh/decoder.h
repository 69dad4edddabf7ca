// Decoding the data of one member, and walking an archive member by member.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzh/header.h"
#include "lzh/input.h"
#include "lzh/status.h"

namespace lzh {

// Receives decoded data in large blocks.
class Sink {
 public:
  virtual ~Sink() = default;
  // False stops the decoding with Status::WriteError.
  virtual bool Write(const unsigned char* data, std::size_t size) = 0;
};

// Decodes the packed data of `m`, which starts at the current position of
// `in`, into `sink` (null: decode and check only). Ok only when exactly
// m.originalSize bytes came out and their CRC-16 matches. On every outcome
// the input is left after the member's packed data, or at the end of the
// input, so the next header can be read.
Status DecodeMember(Input& in, const Member& m, Sink* sink);

// Buffers that one decoding after another can reuse, so that an archive of
// many small members does not allocate a window for each.
struct Workspace {
  std::vector<unsigned char> window;
  // How many bytes just before the window's output area still hold the
  // initial history fill, so the next member need not write them again.
  std::size_t historyFilled = 0;
  // Lookup tables of the static-Huffman methods: pre-table, codes, positions.
  std::vector<std::uint32_t> tables[3];
};
Status DecodeMember(Input& in, const Member& m, Sink* sink, Workspace& workspace);

// Reads an archive member by member.
class ArchiveReader {
 public:
  explicit ArchiveReader(Reader& reader) : in_(reader) {}

  // The next member's header. Skips the data of the previous member when it
  // was not decoded. End after the last member.
  Status Next(Member& m);
  // Decodes the data of the member Next returned, at most once.
  Status Decode(Sink* sink);
  // Instead of decoding: the packed data of the member Next returned, as
  // stored, into `data` (to be decoded elsewhere). Truncated or ReadError
  // when the input ends or fails first.
  Status TakePacked(std::vector<unsigned char>& data);
  // Bytes of the archive read so far (for progress).
  std::uint64_t Position() const { return in_.Position(); }

 private:
  Input in_;
  Workspace workspace_;
  Member current_;
  bool pending_ = false;  // the current member's data is still unread
};

}  // namespace lzh
