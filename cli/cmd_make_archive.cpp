// archive: makes an LZH archive from files and folders with our encoder.
#include <algorithm>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "engine/archive_files.h"
#include "engine/archive_lanes.h"
#include "lzh/encoder.h"
#include "os/os.h"
#include "text/cp932.h"

namespace {

int MakeArchive(const cli::Args& args);

const cli::Command kArchive = {
    "archive", "archive OUT.lzh FILE|FOLDER... [--method lh5|lh6|lh7] [--level 1|2]  (make an LZH archive)",
    MakeArchive};

using Entry = engine::FolderMember;

// A path with '/' made '\', "." components and doubled separators dropped,
// for telling whether an input is the archive being written.
std::string Normalized(const std::string& path) {
  std::string out;
  std::string part;
  auto endPart = [&]() {
    if (part != "." && !(part.empty() && !out.empty())) out += part + '\\';
    part.clear();
  };
  for (std::size_t i = 0; i < path.size();) {
    std::size_t n = text::CharLength(path, i);
    if (n == 1 && (path[i] == '\\' || path[i] == '/')) {
      endPart();
    } else {
      part.append(path, i, n);
    }
    i += n;
  }
  endPart();
  if (!out.empty()) out.pop_back();
  return text::UpperAscii(out);
}

std::string BaseName(const std::string& path) {
  std::string p = path;
  std::size_t last;
  while ((last = text::FindLastSeparator(p)) != std::string::npos && last + 1 == p.size() && p.size() > 1) p.pop_back();
  last = text::FindLastSeparator(p);
  return last == std::string::npos ? p : p.substr(last + 1);
}

int MakeArchive(const cli::Args& args) {
  std::vector<std::string> inputs;
  lzh::EncodeOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    std::string value;
    bool isMethod = a == "--method" || a.compare(0, 9, "--method=") == 0;
    bool isLevel = a == "--level" || a.compare(0, 8, "--level=") == 0;
    if (isMethod || isLevel) {
      std::size_t eq = a.find('=');
      if (eq != std::string::npos) {
        value = a.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return cli::Usage(kArchive);
      }
      if (isMethod) {
        if (value == "lh5") options.method = lzh::Method::Lh5;
        else if (value == "lh6") options.method = lzh::Method::Lh6;
        else if (value == "lh7") options.method = lzh::Method::Lh7;
        else return cli::Usage(kArchive);
      } else {
        if (value != "1" && value != "2") return cli::Usage(kArchive);
        options.level = value == "1" ? 1 : 2;
      }
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      return cli::Usage(kArchive);
    } else {
      inputs.push_back(a);
    }
  }
  if (inputs.size() < 2) return cli::Usage(kArchive);
  const std::string target = inputs[0];
  inputs.erase(inputs.begin());

  std::vector<Entry> entries;
  for (const std::string& in : inputs) {
    if (!os::Exists(in)) {
      cli::PrintLine("not found: " + in, stderr);
      return 1;
    }
    if (os::IsDirectory(in)) {
      engine::ListFolderMembers(in, "", entries);
    } else {
      entries.push_back({in, BaseName(in), false});
    }
  }
  // The archive may lie inside a folder being archived.
  const std::string self = Normalized(target);
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const Entry& e) { return Normalized(e.source) == self; }),
                entries.end());
  // A name the file system gave that does not convert to code page 932
  // arrives with '?' in place of what did not convert ('?' is never part of
  // a Windows file name).
  for (const Entry& e : entries) {
    if (text::FindChar(e.name, '?') != std::string::npos) {
      cli::PrintLine("name not representable in code page 932: " + e.source, stderr);
      return 1;
    }
  }
  // Two members of one name would overwrite each other on extraction (on
  // Windows, names differing only in letter case are the same name).
  std::vector<std::string> names;
  for (const Entry& e : entries) names.push_back(text::UpperAscii(e.name));
  std::sort(names.begin(), names.end());
  auto dup = std::adjacent_find(names.begin(), names.end());
  if (dup != names.end()) {
    cli::PrintLine("two inputs give the same name in the archive: " + *dup, stderr);
    return 1;
  }
  if (entries.empty()) {
    cli::PrintLine("nothing to archive", stderr);
    return 1;
  }

  os::OutputFile file;
  if (!file.Create(target)) {
    cli::PrintLine("cannot create " + target, stderr);
    return 1;
  }
  std::vector<engine::LaneInput> members;
  for (const Entry& e : entries) members.push_back({engine::MemberFromFile(e.source, e.name, e.directory), e.source});
  const engine::LaneResult r = engine::WriteArchiveInLanes(file, options, members);
  if (!r.ok || !file.Close()) {
    std::string message = "cannot write " + target;
    if (!r.ok && r.failedMember < entries.size()) {
      const std::string& source = entries[r.failedMember].source;
      message = r.openFailed ? "cannot open " + source : source + ": " + lzh::EncodeStatusName(r.status);
    }
    cli::PrintLine(message, stderr);
    file.Close();
    os::RemoveFile(target);
    return 1;
  }
  const std::uint64_t original = r.original, packed = r.packed;
  std::uint64_t permille = original ? packed * 1000 / original : 1000;
  cli::PrintLine(std::to_string(entries.size()) + " members, " + std::to_string(original) + " bytes packed to " +
                 std::to_string(packed) + " (" + std::to_string(permille / 10) + "." + std::to_string(permille % 10) +
                 "%)");
  return 0;
}

const cli::Registrar kRegisterArchive(kArchive);

}  // namespace
