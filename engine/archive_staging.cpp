#include "engine/archive_staging.h"

#include <algorithm>
#include <atomic>

#include "os/os.h"
#include "text/cp932.h"

namespace {

bool IsSeparator(const std::string& s, std::size_t i) {
  return text::CharLength(s, i) == 1 && (s[i] == '\\' || s[i] == '/');
}

// `prefix`, `v` in capital hexadecimal digits, then `suffix`.
std::string WithHex(const char* prefix, unsigned v, const char* suffix) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s = prefix;
  const std::size_t start = s.size();
  do {
    s += digits[v & 0xF];
    v >>= 4;
  } while (v);
  std::reverse(s.begin() + static_cast<std::ptrdiff_t>(start), s.end());
  return s.append(suffix);
}

// How every temporary file's name begins.
constexpr char kTempPrefix[] = "~brx";

}  // namespace

namespace engine {

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

CreatedFolders::~CreatedFolders() {
  if (keep_) return;
  for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) os::RemoveEmptyFolder(*it);
}

Staging::~Staging() {
  for (const Entry& e : entries_) {
    if (!e.installed) RemoveOwn(e.temp);
  }
}

bool Staging::CreateTemp(os::FolderFile& file, std::string& name) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    name = NextName();
    if (folder_.CreateNew(name, file)) return true;
    if (!folder_.Exists(name)) return false;  // a real failure, not a name in use
  }
  return false;
}

void Staging::Add(const std::string& temp, const std::string& name) {
  std::string key = text::UpperAscii(name);
  auto known = byName_.emplace(key, entries_.size());
  if (!known.second) {
    Entry& e = entries_[known.first->second];
    RemoveOwn(e.temp);
    e.temp = temp;
    return;
  }
  entries_.push_back(Entry{temp, name, std::move(key), std::string(), std::string(), false, false});
}

Staging::Outcome Staging::Install(bool replaceReadOnly, std::string& failedPath) {
  // Existing files are matched without regard to case, as on Windows.
  // Our own temporary files are in the listing too; they are not files
  // the archive replaces, even when a member bears the name of one.
  std::unordered_set<std::string_view> temps;
  temps.reserve(entries_.size());
  for (const Entry& e : entries_) temps.insert(e.temp);
  std::unordered_map<std::string, std::string> existing;  // upper-cased -> as on disk
  for (const std::string& n : folder_.List()) {
    if (temps.count(n) == 0) existing.emplace(text::UpperAscii(n), n);
  }
  for (Entry& e : entries_) {
    auto found = existing.empty() ? existing.end() : existing.find(e.key);
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
  targets_.reserve(entries_.size());
  // (A target is the member's name or an existing file's spelling of it:
  // either way its key is the member's.)
  bool targetLikeTemp = false;  // only a name of the temporary files' form can be one
  for (const Entry& e : entries_) {
    targetLikeTemp = targetLikeTemp || text::EqualsNoCaseAscii(e.key.substr(0, sizeof kTempPrefix - 1), kTempPrefix);
    targets_.insert(e.key);
  }
  for (Entry& e : entries_) {
    if (!targetLikeTemp || targets_.count(text::UpperAscii(e.temp)) == 0) continue;
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

std::string Staging::NextName() {
  static std::atomic<unsigned> serial{0};
  return WithHex(kTempPrefix, ++serial & 0xFFFFF, ".tmp");
}

std::string Staging::NextUnusedName() {
  std::string name;
  do {
    name = NextName();
  } while (folder_.Exists(name) || targets_.count(text::UpperAscii(name)) != 0);
  return name;
}

void Staging::RollBack(std::size_t upTo) {
  for (std::size_t k = upTo + 1; k-- > 0;) {
    Entry& e = entries_[k];
    if (e.installed && folder_.Rename(e.target, e.temp)) e.installed = false;
    if (!e.backup.empty() && folder_.Rename(e.backup, e.target)) e.backup.clear();
  }
}

}  // namespace engine
