// The entry points of the extraction component and one extraction from start
// to end: the archive walked, each member staged, all installed, and the
// reply that names what failed.
#include "engine/archive_component.h"

#include <chrono>
#include <cstring>
#include <new>
#include <vector>

#include "engine/archive_inspect.h"
#include "engine/archive_staging.h"
#include "engine/extract_lanes.h"
#include "lzh/decoder.h"
#include "os/archive_io.h"
#include "os/os.h"
#include "text/cp932.h"

namespace {

int g_quiet = 0;
int g_replaceReadOnly = 1;
const engine::ArchiveProgressHook* g_hook = nullptr;
int g_delayMs = 500;
int g_lanes = 0;  // 0: as many as the processors allow

// A name as it may appear in a message box: control characters become '?'.
std::string Shown(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t n = text::CharLength(s, i);
    if (n == 1 && static_cast<unsigned char>(s[i]) < 0x20) {
      out += '?';
    } else {
      out.append(s, i, n);
    }
    i += n;
  }
  return out;
}

std::string Quoted(const std::string& s) { return "「" + Shown(s) + "」"; }

// The archive as the user knows it: its file name without the folder.
std::string FileNameOf(const std::string& path) {
  std::size_t cut = text::FindLastSeparator(path);
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  if (name.size() >= 2 && name[1] == ':') name = name.substr(2);
  return name;
}

// Shows the progress through the installed hook once the extraction has
// lasted long enough, and closes it at the end.
class Progress {
 public:
  Progress(void* owner, std::string archive, long long total)
      : owner_(owner), archive_(std::move(archive)), total_(total > 0 ? static_cast<std::uint64_t>(total) : 0),
        start_(std::chrono::steady_clock::now()) {}
  ~Progress() {
    if (window_ && g_hook && g_hook->end) g_hook->end(window_);
  }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void Tick(const std::string& member, std::uint64_t done) {
    if (!owner_ || !g_hook || g_quiet || gaveUp_) return;
    auto now = std::chrono::steady_clock::now();
    if (!window_) {
      if (now - start_ < std::chrono::milliseconds(g_delayMs)) return;
      window_ = g_hook->begin ? g_hook->begin(owner_, archive_.c_str()) : nullptr;
      if (!window_) {
        gaveUp_ = true;
        return;
      }
    } else if (now - last_ < std::chrono::milliseconds(100)) {
      return;
    }
    last_ = now;
    int percent = total_ ? static_cast<int>(done * 100 / total_) : 0;
    if (g_hook->update) g_hook->update(window_, member.c_str(), percent > 100 ? 100 : percent);
  }

 private:
  void* owner_;
  std::string archive_;
  std::uint64_t total_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_;
  void* window_ = nullptr;
  bool gaveUp_ = false;
};

// One extraction: the reply text of a failure is built here.
class Extraction {
 public:
  Extraction(void* owner, const engine::ArchiveCommand& command) : owner_(owner), command_(command) {}

  bool Run() {
    std::string path = command_.archive + ".lzh";
    archive_ = FileNameOf(path);
    if (!Locate(path)) return Fail("書庫" + Quoted(archive_) + "が見つかりません。");
    os::InputFile file;
    if (!file.Open(path)) return Fail("書庫" + Quoted(archive_) + "を開けません。");

    std::string dest = command_.destination;
    if (!text::EndsWithSeparator(dest)) dest += '\\';
    // A failed extraction also takes back the folders it made.
    engine::CreatedFolders created;
    if (!engine::EnsureFolder(dest, created.list())) return Fail("展開先フォルダ" + Quoted(dest) + "を作れません。");

    os::ExtractFolder folder;
    if (!folder.Open(dest)) return WriteFailure(dest);

    Progress progress(owner_, archive_, file.Size());
    engine::Staging staging(folder);
    engine::ExtractOptions options;
    options.lanes = g_lanes;
    options.progress = [&progress](const std::string& member, std::uint64_t done) { progress.Tick(member, done); };
    engine::ExtractFailure failure;
    int members = engine::ExtractMembers(file, staging, options, failure);
    if (failure.kind != engine::ExtractFailure::Kind::None) return Failure(failure, dest);
    if (members == 0) return Fail(Quoted(archive_) + "はLZH書庫ではありません。");
    std::string failedPath;
    switch (staging.Install(g_replaceReadOnly != 0, failedPath)) {
      case engine::Staging::Outcome::Ok:
        created.Keep();
        return true;
      case engine::Staging::Outcome::ReadOnly:
        return Fail(Quoted(failedPath) + "は読み取り専用のため置き換えられません。");
      case engine::Staging::Outcome::CannotWrite:
        return WriteFailure(failedPath);
      case engine::Staging::Outcome::CannotRemove:
        return Fail("書庫" + Quoted(archive_) + "は展開しましたが、一時ファイル" + Quoted(failedPath) +
                    "を削除できません。");
    }
    return true;
  }

  const std::string& reply() const { return reply_; }

 private:
  // The reply for the first failure in archive order.
  bool Failure(const engine::ExtractFailure& f, const std::string& dest) {
    using Kind = engine::ExtractFailure::Kind;
    const std::string shownName = f.member.Path();
    switch (f.kind) {
      case Kind::Header:
        return HeaderFailure(f.status, f.membersBefore);
      case Kind::Refused:
        if (f.verdict == engine::MemberVerdict::UnknownMethod) {
          return Fail("書庫" + Quoted(archive_) + "の" + Quoted(shownName) + "は未対応の圧縮形式（" +
                      Shown(f.member.methodId) + "）です。");
        }
        return Fail("書庫" + Quoted(archive_) + "の" + Quoted(shownName) + "は使えないファイル名です。");
      case Kind::Data:
        return DataFailure(f.status, shownName);
      case Kind::Write:
        os::SetLastError(f.error);
        return WriteFailure(dest + f.member.name);
      case Kind::None:
        break;
    }
    return true;
  }

  // Finds the archive file, its name matched without regard to case.
  static bool Locate(std::string& path) {
    if (os::Exists(path)) return !os::IsDirectory(path);
    std::vector<os::FindEntry> found = os::FindFiles(path, 1);
    if (found.empty() || found[0].directory) return false;
    text::PathParts parts = text::SplitPath(path);
    path = parts.drive + parts.dir + found[0].name;
    return true;
  }

  bool Fail(const std::string& message) {
    reply_ = message;
    return false;
  }

  bool HeaderFailure(lzh::Status s, int membersSoFar) {
    switch (s) {
      case lzh::Status::BadHeader:
        if (membersSoFar == 0) return Fail(Quoted(archive_) + "はLZH書庫ではありません。");
        return Fail("書庫" + Quoted(archive_) + "が壊れています。");
      case lzh::Status::Truncated:
        return Fail("書庫" + Quoted(archive_) + "が途中で切れています。");
      case lzh::Status::ReadError:
        return Fail("書庫" + Quoted(archive_) + "を読めません。");
      default:
        return Fail("書庫" + Quoted(archive_) + "が壊れています。");
    }
  }

  bool DataFailure(lzh::Status s, const std::string& member) {
    std::string where = "書庫" + Quoted(archive_) + "の" + Quoted(member);
    switch (s) {
      case lzh::Status::CrcMismatch:
        return Fail(where + "が壊れています（CRCエラー）。");
      case lzh::Status::Truncated:
        return Fail(where + "が途中で切れています。");
      case lzh::Status::ReadError:
        return Fail("書庫" + Quoted(archive_) + "を読めません。");
      default:
        return Fail(where + "が壊れています。");
    }
  }

  bool WriteFailure(const std::string& path) {
    if (os::LastError() == os::Error::DiskFull) return Fail("ディスクの空きが足りません（" + Shown(path) + "）。");
    return Fail(Quoted(path) + "に書き込めません。");
  }

  void* owner_;
  const engine::ArchiveCommand& command_;
  std::string archive_;
  std::string reply_;
};

void SetReply(char* reply, int replySize, const std::string& message) {
  if (!reply || replySize <= 0) return;
  std::string cut = text::CutToBytes(message, static_cast<std::size_t>(replySize) - 1);
  std::memcpy(reply, cut.data(), cut.size());
  reply[cut.size()] = '\0';
}

}  // namespace

int SetArchiveModeA(int mode) {
  int old = g_quiet;
  g_quiet = mode;
  return old;
}

int SetArchiveModeB(int mode) {
  int old = g_replaceReadOnly;
  g_replaceReadOnly = mode;
  return old;
}

int RunArchiveCommand(void* owner, const char* command, char* reply, int replySize) {
  try {
    engine::ArchiveCommand parsed;
    if (!command || !engine::ParseArchiveCommand(command, parsed)) {
      SetReply(reply, replySize, "展開コマンドを解釈できません。");
      return 1;
    }
    Extraction extraction(owner, parsed);
    if (!extraction.Run()) {
      SetReply(reply, replySize, extraction.reply());
      return 1;
    }
    SetReply(reply, replySize, "");
    return 0;
  } catch (const std::bad_alloc&) {
    SetReply(reply, replySize, "メモリが足りません。");
  } catch (...) {
    SetReply(reply, replySize, "展開中に予期しないエラーが起きました。");
  }
  return 1;
}

namespace engine {

void SetArchiveProgressHook(const ArchiveProgressHook* hook) { g_hook = hook; }
void SetArchiveProgressDelayMs(int ms) { g_delayMs = ms; }
void SetArchiveLanes(int lanes) { g_lanes = lanes; }

}  // namespace engine
