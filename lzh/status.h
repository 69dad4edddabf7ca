// Outcome of every decoder operation. "End" (no more members) is kept apart
// from every kind of failure.
#pragma once

namespace lzh {

enum class Status {
  Ok,
  End,             // no further member: end marker or end of input
  ReadError,       // the reader reported a failure
  Truncated,       // the input ended inside a header or inside packed data
  BadHeader,       // a header is malformed (sizes, extended headers, level)
  HeaderChecksum,  // level 0/1 checksum or level 2/3 header CRC is wrong
  UnknownMethod,   // a method this decoder does not know
  BadData,         // the packed data is not a valid stream of its method
  SizeMismatch,    // the data decodes past the member's stated size
  CrcMismatch,     // decoded data does not match the member's CRC-16
  WriteError,      // the sink refused the output
};

// Short English name, for logs and tests.
const char* StatusName(Status s);

}  // namespace lzh
