#include "lzh/decoder.h"

#include "lzh/bits.h"
#include "lzh/crc16.h"

namespace lzh {

const char* StatusName(Status s) {
  switch (s) {
    case Status::Ok: return "ok";
    case Status::End: return "end";
    case Status::ReadError: return "read error";
    case Status::Truncated: return "truncated";
    case Status::BadHeader: return "bad header";
    case Status::HeaderChecksum: return "header checksum";
    case Status::UnknownMethod: return "unknown method";
    case Status::BadData: return "bad data";
    case Status::SizeMismatch: return "size mismatch";
    case Status::CrcMismatch: return "crc mismatch";
    case Status::WriteError: return "write error";
  }
  return "?";
}

namespace detail {

Status Window::Settle() {
  std::uint64_t produced = Produced();
  if (produced > total_) return Status::SizeMismatch;
  if (produced == total_) return Status::End;
  std::size_t n = static_cast<std::size_t>(out - flushFrom_);
  crc_ = Crc16Update(crc_, flushFrom_, n);
  if (sink_ && !sink_->Write(flushFrom_, n)) return Status::WriteError;
  flushed_ += n;
  std::memmove(buffer_.data(), out - kHistory, kHistory);
  filled_ = 0;
  out = flushFrom_ = buffer_.data() + kHistory;
  SetStop();
  return Status::Ok;
}

bool Window::FlushAll() {
  std::size_t n = static_cast<std::size_t>(out - flushFrom_);
  crc_ = Crc16Update(crc_, flushFrom_, n);
  if (sink_ && n && !sink_->Write(flushFrom_, n)) return false;
  flushed_ += n;
  flushFrom_ = out;
  return true;
}

}  // namespace detail

namespace {

// Skips what is left of the packed data; Truncated when the input ends first.
Status SkipRest(Input& in, std::uint64_t left) {
  if (in.Skip(left) == left) return Status::Ok;
  return in.Failed() ? Status::ReadError : Status::Truncated;
}

Status DecodeStored(Input& in, const Member& m, Sink* sink) {
  if (m.packedSize != m.originalSize) {
    Status s = SkipRest(in, m.packedSize);
    return s == Status::Ok ? Status::SizeMismatch : s;
  }
  std::uint64_t left = m.packedSize;
  std::uint16_t crc = 0;
  while (left) {
    const unsigned char* p;
    std::size_t want = left < (1u << 30) ? static_cast<std::size_t>(left) : (1u << 30);
    std::size_t got = in.Take(&p, want);
    if (got == 0) return in.Failed() ? Status::ReadError : Status::Truncated;
    crc = Crc16Update(crc, p, got);
    if (sink && !sink->Write(p, got)) return Status::WriteError;
    left -= got;
  }
  if (m.hasCrc && crc != m.crc) return Status::CrcMismatch;
  return Status::Ok;
}

}  // namespace

Status DecodeMember(Input& in, const Member& m, Sink* sink) {
  Workspace workspace;
  return DecodeMember(in, m, sink, workspace);
}

Status DecodeMember(Input& in, const Member& m, Sink* sink, Workspace& workspace) {
  switch (m.method) {
    case Method::Directory:
      return SkipRest(in, m.packedSize);
    case Method::Unknown: {
      Status s = SkipRest(in, m.packedSize);
      return s == Status::Ok ? Status::UnknownMethod : s;
    }
    case Method::Stored:
      return DecodeStored(in, m, sink);
    default:
      break;
  }
  detail::BitReader br(in, m.packedSize);
  // Farthest copy distance of each method: -lh1- 6+6 position bits; -lh4-
  // and -lh5- position codes up to 13 (2^12 + 12 bits), -lh6- 15, -lh7- 16;
  // the LArc methods keep their own ring.
  std::size_t reach = detail::Window::kHistory;
  switch (m.method) {
    case Method::Lh1: reach = 4096; break;
    case Method::Lh4:
    case Method::Lh5: reach = 8192; break;
    case Method::Lh6: reach = 32768; break;
    case Method::Lzs:
    case Method::Lz5: reach = 0; break;
    default: break;
  }
  detail::Window w(workspace, sink, m.originalSize, reach);
  Status s = Status::Ok;
  if (!w.Done()) {
    switch (m.method) {
      case Method::Lh1: s = detail::DecodeLh1(br, w); break;
      case Method::Lh4: s = detail::DecodeStatic(br, w, workspace, 14, 4); break;
      case Method::Lh5: s = detail::DecodeStatic(br, w, workspace, 14, 4); break;
      case Method::Lh6: s = detail::DecodeStatic(br, w, workspace, 16, 5); break;
      case Method::Lh7: s = detail::DecodeStatic(br, w, workspace, 17, 5); break;
      case Method::Lzs: s = detail::DecodeLzs(br, w); break;
      case Method::Lz5: s = detail::DecodeLz5(br, w); break;
      default: s = Status::UnknownMethod; break;
    }
  }
  if (s == Status::Ok && !w.FlushAll()) s = Status::WriteError;
  // When the stream ran past its data, that is the cause of whatever else
  // went wrong: the input ended early, or the stated sizes do not fit.
  if (s != Status::WriteError) {
    if (br.inputEnded) {
      s = Status::Truncated;
    } else if (br.Overrun()) {
      s = Status::BadData;
    }
  }
  Status skipped = br.inputEnded ? Status::Truncated : SkipRest(in, br.remaining);
  if (s == Status::Ok) s = skipped;
  if (s == Status::Ok && m.hasCrc && w.Crc() != m.crc) s = Status::CrcMismatch;
  return s;
}

Status ArchiveReader::Next(Member& m) {
  if (pending_) {
    pending_ = false;
    if (in_.Skip(current_.packedSize) != current_.packedSize) {
      return in_.Failed() ? Status::ReadError : Status::Truncated;
    }
  }
  Status s = ReadHeader(in_, current_);
  if (s != Status::Ok) return s;
  pending_ = true;
  m = current_;
  return Status::Ok;
}

Status ArchiveReader::TakePacked(std::vector<unsigned char>& data) {
  if (!pending_) return Status::BadHeader;
  pending_ = false;
  // Appended block by block from the input's buffer: no zero fill first.
  data.clear();
  std::uint64_t left = current_.packedSize;
  while (left) {
    const unsigned char* p;
    std::size_t want = left < (1u << 30) ? static_cast<std::size_t>(left) : (1u << 30);
    std::size_t got = in_.Take(&p, want);
    if (got == 0) return in_.Failed() ? Status::ReadError : Status::Truncated;
    data.insert(data.end(), p, p + got);
    left -= got;
  }
  return Status::Ok;
}

Status ArchiveReader::Decode(Sink* sink) {
  if (!pending_) return Status::BadHeader;
  pending_ = false;
  return DecodeMember(in_, current_, sink, workspace_);
}

}  // namespace lzh
