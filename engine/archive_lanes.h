// Makes an LZH archive file on two threads ("lanes"), each with its own
// encoder: member i is encoded in lane i % 2, and an encoder's learnt costs
// carry over only its own lane's members. The archive thus depends on the
// inputs alone, never on the timing or on how many cores the machine has.
//
// The lane holding the earliest unfinished member writes straight into the
// file; the other keeps its member's bytes in memory, up to a bound, and
// waits there until its member's turn comes. Memory stays bounded by the
// two encoders and that buffer, never by the size of a member.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lzh/encoder.h"
#include "os/os.h"

namespace engine {

struct LaneInput {
  lzh::NewMember member;
  std::string source;  // the file to read; unused for a folder
};

struct LaneResult {
  bool ok = true;
  // The first member (in archive order) that failed, and why: a status of
  // the encoder, or `openFailed` when its file could not be opened.
  std::size_t failedMember = 0;
  lzh::EncodeStatus status = lzh::EncodeStatus::Ok;
  bool openFailed = false;
  std::uint64_t original = 0;
  std::uint64_t packed = 0;
};

// Writes `inputs` as one archive into `file` (created, empty) and ends it.
// `threads` false encodes the lanes in turn on the calling thread, giving
// the same bytes (and is what happens when no thread can be started).
LaneResult WriteArchiveInLanes(os::OutputFile& file, const lzh::EncodeOptions& options,
                               const std::vector<LaneInput>& inputs, bool threads = true);

}  // namespace engine
