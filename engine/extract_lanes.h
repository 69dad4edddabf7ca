// Decodes the members of an archive on several threads at once, each member
// whole on one thread into a temporary file of the staging, and hands the
// finished files to the staging in archive order. Internal to the
// extraction component.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/archive_inspect.h"
#include "engine/archive_staging.h"
#include "lzh/header.h"
#include "lzh/status.h"
#include "os/os.h"

namespace engine {

// What stopped an extraction: the failure a member-by-member extraction
// would have met first, whichever thread met it first.
struct ExtractFailure {
  enum class Kind {
    None,
    Header,   // a header could not be read: `status`, after `membersBefore` good ones
    Refused,  // `member` is refused for its header alone: `verdict`
    Data,     // `member`'s data did not decode: `status`
    Write,    // `member`'s file could not be made or written: `error`
  };
  Kind kind = Kind::None;
  lzh::Status status = lzh::Status::Ok;
  int membersBefore = 0;
  MemberVerdict verdict = MemberVerdict::File;
  lzh::Member member;
  os::Error error = os::Error::None;
};

struct ExtractOptions {
  // Threads decoding at once (the calling one among them); 0 chooses from
  // the processors there are.
  int lanes = 0;
  // Called on the calling thread only, now and then: the member being
  // decoded and how many bytes of the archive are done.
  std::function<void(const std::string& member, std::uint64_t done)> progress;
};

// Decodes every member of the archive in `file` into temporary files of
// `staging`. With no failure, every file is added to the staging in archive
// order (a later member of a name replacing an earlier one, as writing them
// in turn would) and the count of headers read is returned; on a failure,
// `failure` says which and no file is added. Whatever is left over (files of
// members after the failure, or everything when an exception passes) is
// removed. The files are alike whatever the number of lanes.
int ExtractMembers(os::InputFile& file, Staging& staging, const ExtractOptions& options, ExtractFailure& failure);

}  // namespace engine
