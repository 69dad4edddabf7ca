#include "engine/archive_component.h"

#include <chrono>
#include <cstring>
#include <map>
#include <new>
#include <set>
#include <vector>

#include "lzh/decoder.h"
#include "os/archive_io.h"
#include "os/os.h"
#include "text/cp932.h"

namespace {

int g_quiet = 0;
int g_replaceReadOnly = 1;
const engine::ArchiveProgressHook* g_hook = nullptr;
int g_delayMs = 500;

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

bool IsSeparator(const std::string& s, std::size_t i) {
  return text::CharLength(s, i) == 1 && (s[i] == '\\' || s[i] == '/');
}

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

std::string Hex(unsigned v) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  do {
    s.insert(s.begin(), digits[v & 0xF]);
    v >>= 4;
  } while (v);
  return s;
}

// Creates `folder` (ending with a separator) and every missing folder above
// it; `created` lists the folders made, outermost first.
bool EnsureFolder(const std::string& folder, std::vector<std::string>& created) {
  std::string path = folder;
  while (text::EndsWithSeparator(path) && path.size() > 1) path.pop_back();
  if (os::IsDirectory(path)) return true;
  // A UNC path's server and share are not folders that can be made.
  std::size_t skipSeparators = (path.size() >= 2 && IsSeparator(path, 0) && IsSeparator(path, 1)) ? 4 : 0;
  std::size_t seen = 0;
  for (std::size_t i = 0; i < path.size(); i += text::CharLength(path, i)) {
    if (!IsSeparator(path, i)) continue;
    if (++seen <= skipSeparators || i == 0 || path[i - 1] == ':') continue;
    std::string prefix = path.substr(0, i);
    if (!os::IsDirectory(prefix) && os::MakeFolder(prefix)) created.push_back(prefix);
  }
  if (os::MakeFolder(path)) created.push_back(path);
  return os::IsDirectory(path);
}

// Folders an extraction made; removed again (while empty) unless kept.
class CreatedFolders {
 public:
  CreatedFolders() = default;
  ~CreatedFolders() {
    if (keep_) return;
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) os::RemoveEmptyFolder(*it);
  }
  CreatedFolders(const CreatedFolders&) = delete;
  CreatedFolders& operator=(const CreatedFolders&) = delete;
  std::vector<std::string>& list() { return folders_; }
  void Keep() { keep_ = true; }

 private:
  std::vector<std::string> folders_;
  bool keep_ = false;
};

// Reads the archive file; skipping seeks instead of reading.
class FileReader : public lzh::Reader {
 public:
  explicit FileReader(os::InputFile& file) : file_(file), size_(file.Size()) {}
  long long Read(void* buffer, std::size_t size) override {
    long long n = file_.Read(buffer, size);
    if (n > 0) pos_ += static_cast<std::uint64_t>(n);
    return n;
  }
  long long Skip(std::uint64_t size) override {
    if (size_ < 0) return lzh::Reader::Skip(size);
    std::uint64_t end = static_cast<std::uint64_t>(size_);
    std::uint64_t target = pos_ + size < end && pos_ + size >= pos_ ? pos_ + size : end;
    if (target < pos_) target = pos_;
    if (!file_.Seek(target)) return -1;
    long long skipped = static_cast<long long>(target - pos_);
    pos_ = target;
    return skipped;
  }
  long long Size() const { return size_; }

 private:
  os::InputFile& file_;
  long long size_;
  std::uint64_t pos_ = 0;
};

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

class FileSink : public lzh::Sink {
 public:
  FileSink(os::FolderFile& file, Progress& progress, const lzh::ArchiveReader& reader, const std::string& member)
      : file_(file), progress_(progress), reader_(reader), member_(member) {}
  bool Write(const unsigned char* data, std::size_t size) override {
    if (!file_.Write(data, size)) return false;
    progress_.Tick(member_, reader_.Position());
    return true;
  }

 private:
  os::FolderFile& file_;
  Progress& progress_;
  const lzh::ArchiveReader& reader_;
  const std::string& member_;
};

// Decoded members wait in temporary files of the destination folder, so
// that installing them is a rename on the same volume. Install moves every
// one over its target, keeping each replaced file aside until all are in
// place; if any step fails, everything is moved back. Whatever temporary
// file is left when the object goes away is removed.
class Staging {
 public:
  explicit Staging(os::ExtractFolder& folder) : folder_(folder) {}
  ~Staging() {
    for (const Entry& e : entries_) {
      if (!e.installed) RemoveOwn(e.temp);
    }
  }
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  // Creates a new temporary file; its name in `name`.
  bool CreateTemp(os::FolderFile& file, std::string& name) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
      name = NextName();
      if (folder_.CreateNew(name, file)) return true;
      if (!folder_.Exists(name)) return false;  // a real failure, not a name in use
    }
    return false;
  }
  // A file whose temporary copy is complete. A later member of the same name
  // replaces an earlier one, as extracting them in order would.
  void Add(const std::string& temp, const std::string& name) {
    auto known = byName_.emplace(text::UpperAscii(name), entries_.size());
    if (!known.second) {
      Entry& e = entries_[known.first->second];
      RemoveOwn(e.temp);
      e.temp = temp;
      return;
    }
    entries_.push_back(Entry{temp, name, std::string(), std::string(), false, false});
  }
  // Forgets a temporary file that never completed (it is removed).
  void Discard(const std::string& temp) { RemoveOwn(temp); }

  // CannotRemove: every member is in place, but a replaced file kept aside
  // could not be removed and is left under its temporary name.
  enum class Outcome { Ok, ReadOnly, CannotWrite, CannotRemove };
  Outcome Install(bool replaceReadOnly, std::string& failedPath) {
    // Existing files are matched without regard to case, as on Windows.
    // Our own temporary files are in the listing too; they are not files
    // the archive replaces, even when a member bears the name of one.
    std::set<std::string> temps;
    for (const Entry& e : entries_) temps.insert(e.temp);
    std::map<std::string, std::string> existing;  // upper-cased -> as on disk
    for (const std::string& n : folder_.List()) {
      if (temps.count(n) == 0) existing.emplace(text::UpperAscii(n), n);
    }
    for (Entry& e : entries_) {
      auto found = existing.find(text::UpperAscii(e.name));
      e.exists = found != existing.end();
      e.target = e.exists ? found->second : e.name;
      if (!e.exists) continue;
      if (folder_.IsDirectory(e.target)) {
        failedPath = folder_.Path() + e.target;
        return Outcome::CannotWrite;
      }
      if (!replaceReadOnly && folder_.IsReadOnly(e.target)) {
        failedPath = folder_.Path() + e.target;
        return Outcome::ReadOnly;
      }
    }
    // A member may bear the very name of another member's temporary file:
    // move such a temporary file out of the way first. Fresh names avoid
    // every target from here on.
    for (const Entry& e : entries_) targets_.insert(text::UpperAscii(e.target));
    for (Entry& e : entries_) {
      if (targets_.count(text::UpperAscii(e.temp)) == 0) continue;
      std::string moved = NextUnusedName();
      if (!folder_.Rename(e.temp, moved)) {
        failedPath = folder_.Path() + e.target;
        return Outcome::CannotWrite;
      }
      e.temp = moved;
    }
    // The data must be on the disk before any old file is given up.
    if (!folder_.SyncData()) {
      failedPath = folder_.Path();
      return Outcome::CannotWrite;
    }
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      Entry& e = entries_[i];
      if (e.exists) {
        std::string backup = NextUnusedName();
        if (!folder_.Rename(e.target, backup)) {
          failedPath = folder_.Path() + e.target;
          RollBack(i);
          return Outcome::CannotWrite;
        }
        e.backup = backup;
      }
      if (!folder_.Rename(e.temp, e.target)) {
        failedPath = folder_.Path() + e.target;
        RollBack(i);
        return Outcome::CannotWrite;
      }
      e.installed = true;
    }
    Outcome outcome = Outcome::Ok;
    for (Entry& e : entries_) {
      if (e.backup.empty() || RemoveOwn(e.backup)) continue;
      failedPath = folder_.Path() + e.backup;
      outcome = Outcome::CannotRemove;
    }
    folder_.SyncNames();
    return outcome;
  }

 private:
  struct Entry {
    std::string temp;
    std::string name;
    std::string target;  // the name on disk: an existing file's own spelling
    std::string backup;  // the replaced file, kept until every member is in place
    bool installed;
    bool exists;  // a file of that name is in the folder already
  };

  // Removes a file of our own making; the second attempt rides over a
  // passing hold (a virus scanner or indexer that opened the new file).
  bool RemoveOwn(const std::string& name) { return folder_.Remove(name) || folder_.Remove(name); }

  std::string NextName() {
    static unsigned serial = 0;
    return "~brx" + Hex(++serial & 0xFFFFF) + ".tmp";
  }
  std::string NextUnusedName() {
    std::string name;
    do {
      name = NextName();
    } while (folder_.Exists(name) || targets_.count(text::UpperAscii(name)) != 0);
    return name;
  }

  // Undoes entries [0, upTo]: each new file goes back to its temporary name
  // (removed later) and each replaced file back to its own name.
  void RollBack(std::size_t upTo) {
    for (std::size_t k = upTo + 1; k-- > 0;) {
      Entry& e = entries_[k];
      if (e.installed && folder_.Rename(e.target, e.temp)) e.installed = false;
      if (!e.backup.empty() && folder_.Rename(e.backup, e.target)) e.backup.clear();
    }
  }

  os::ExtractFolder& folder_;
  std::vector<Entry> entries_;
  std::map<std::string, std::size_t> byName_;  // upper-cased name -> entry
  std::set<std::string> targets_;  // upper-cased names being installed
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
    CreatedFolders created;
    if (!EnsureFolder(dest, created.list())) return Fail("展開先フォルダ" + Quoted(dest) + "を作れません。");

    os::ExtractFolder folder;
    if (!folder.Open(dest)) return WriteFailure(dest);

    FileReader reader(file);
    lzh::ArchiveReader archive(reader);
    Progress progress(owner_, archive_, reader.Size());
    Staging staging(folder);
    int members = 0;
    for (;;) {
      lzh::Member m;
      lzh::Status s = archive.Next(m);
      if (s == lzh::Status::End) break;
      if (s != lzh::Status::Ok) return HeaderFailure(s, members);
      ++members;
      // Directory entries create nothing. Some archivers write a directory as
      // a stored member with no file name and no data ("dir\" at level 0,
      // Amiga LHA): that names no file either, so it is passed over too.
      if (m.IsDirectory() || (m.name.empty() && m.originalSize == 0)) continue;
      std::string shownName = m.Path();
      if (m.method == lzh::Method::Unknown) {
        return Fail("書庫" + Quoted(archive_) + "の" + Quoted(shownName) + "は未対応の圧縮形式（" +
                    Shown(m.methodId) + "）です。");
      }
      if (!engine::IsAcceptableFileName(m.name)) {
        return Fail("書庫" + Quoted(archive_) + "の" + Quoted(shownName) + "は使えないファイル名です。");
      }
      std::string target = dest + m.name;
      std::string temp;
      // Closed before the staging removes a failed temporary file.
      os::FolderFile out;
      if (!staging.CreateTemp(out, temp)) return WriteFailure(target);
      FileSink sink(out, progress, archive, m.name);
      s = archive.Decode(&sink);
      bool written = s == lzh::Status::Ok && out.Flush();
      if (!out.Close()) written = false;
      if (s != lzh::Status::Ok || !written) {
        os::Error error = os::LastError();
        staging.Discard(temp);
        os::SetLastError(error);
        if (s == lzh::Status::Ok || s == lzh::Status::WriteError) return WriteFailure(target);
        return DataFailure(s, shownName);
      }
      if (m.hasUnixTime) {
        folder.SetTimeUnix(temp, m.unixTime);
      } else {
        folder.SetTimeDos(temp, m.dosTime);
      }
      staging.Add(temp, m.name);
      progress.Tick(m.name, archive.Position());
    }
    if (members == 0) return Fail(Quoted(archive_) + "はLZH書庫ではありません。");
    std::string failedPath;
    switch (staging.Install(g_replaceReadOnly != 0, failedPath)) {
      case Staging::Outcome::Ok:
        created.Keep();
        return true;
      case Staging::Outcome::ReadOnly:
        return Fail(Quoted(failedPath) + "は読み取り専用のため置き換えられません。");
      case Staging::Outcome::CannotWrite:
        return WriteFailure(failedPath);
      case Staging::Outcome::CannotRemove:
        return Fail("書庫" + Quoted(archive_) + "は展開しましたが、一時ファイル" + Quoted(failedPath) +
                    "を削除できません。");
    }
    return true;
  }

  const std::string& reply() const { return reply_; }

 private:
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

bool ParseArchiveCommand(const std::string& command, ArchiveCommand& out) {
  std::size_t i = 0;
  auto skipSpaces = [&] {
    while (i < command.size() && IsSpace(command[i])) ++i;
  };
  skipSpaces();
  if (i >= command.size() || (command[i] != 'e' && command[i] != 'E')) return false;
  ++i;
  if (i >= command.size() || !IsSpace(command[i])) return false;
  std::size_t open = text::FindChar(command, '"', i);
  if (open == std::string::npos) return false;
  // Options: only -mcw<folder>. The folder runs to the blanks before the
  // archive's quote, so a Windows folder with blanks in it still parses.
  std::string options = command.substr(i, open - i);
  std::size_t a = 0;
  while (a < options.size() && IsSpace(options[a])) ++a;
  std::size_t b = options.size();
  while (b > a && IsSpace(options[b - 1])) --b;
  options = options.substr(a, b - a);
  ArchiveCommand parsed;
  if (!options.empty()) {
    if (options.size() < 4 || !text::EqualsNoCaseAscii(options.substr(0, 4), "-mcw")) return false;
    parsed.workFolder = options.substr(4);
  }
  // Quotes enclose the paths; a backslash before a closing quote is the end
  // of the folder name, never an escape.
  std::size_t close = text::FindChar(command, '"', open + 1);
  if (close == std::string::npos) return false;
  parsed.archive = command.substr(open + 1, close - open - 1);
  i = close + 1;
  skipSpaces();
  if (i >= command.size() || command[i] != '"') return false;
  std::size_t destClose = text::FindChar(command, '"', i + 1);
  if (destClose == std::string::npos) return false;
  parsed.destination = command.substr(i + 1, destClose - i - 1);
  i = destClose + 1;
  skipSpaces();
  if (i != command.size()) return false;
  if (parsed.archive.empty() || parsed.destination.empty()) return false;
  out = parsed;
  return true;
}

bool IsAcceptableFileName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || !text::IsValidCp932(name)) return false;
  for (std::size_t i = 0; i < name.size();) {
    std::size_t n = text::CharLength(name, i);
    if (n == 1) {
      unsigned char c = static_cast<unsigned char>(name[i]);
      if (c < 0x20 || std::strchr("<>:\"/\\|?*", c)) return false;
    }
    i += n;
  }
  // The last character: a trail byte is never '.' or ' ', so a plain look works.
  char last = name.back();
  if (last == '.' || last == ' ') return false;
  // Device names stay devices whatever extension follows them.
  std::string stem = name.substr(0, text::FindChar(name, '.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  stem = text::UpperAscii(stem);
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* d : kDevices) {
    if (stem == d) return false;
  }
  if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
      stem[3] >= '1' && stem[3] <= '9') {
    return false;
  }
  return true;
}

}  // namespace engine
