#include "engine/archive_files.h"

#include <algorithm>

#include "text/cp932.h"

namespace engine {

void ListFolderMembers(const std::string& folder, const std::string& prefix, std::vector<FolderMember>& out) {
  const std::string dir = text::WithTrailingSeparator(folder);
  std::vector<os::FindEntry> found = os::FindFiles(dir + "*");
  std::sort(found.begin(), found.end(), [](const os::FindEntry& a, const os::FindEntry& b) { return a.name < b.name; });
  const std::size_t before = out.size();
  for (const os::FindEntry& e : found) {
    if (e.name == "." || e.name == "..") continue;
    if (e.directory) {
      ListFolderMembers(dir + e.name, prefix + e.name + '\\', out);
    } else {
      out.push_back({dir + e.name, prefix + e.name, false});
    }
  }
  if (out.size() == before && !prefix.empty()) out.push_back({folder, prefix, true});
}

lzh::NewMember MemberFromFile(const std::string& path, const std::string& name, bool directory) {
  lzh::NewMember m;
  m.path = name;
  m.directory = directory;
  std::int64_t unixTime = 0;
  std::uint32_t dosTime = 0;
  if (os::LastWriteTime(path, unixTime, dosTime)) {
    m.unixTime = unixTime;
    m.dosTime = dosTime;
  }
  std::uint32_t attributes = 0;
  m.attributes = 0x20 | (os::GetAttributes(path, attributes) ? (attributes & 0x07) : 0);
  return m;
}

lzh::EncodeStatus AddFromFile(lzh::ArchiveWriter& writer, const lzh::NewMember& member, const std::string& source,
                              lzh::AddedMember* added, bool& openFailed) {
  openFailed = false;
  if (member.directory) return writer.Add(member, nullptr, added);
  os::InputFile file;
  if (!file.Open(source)) {
    openFailed = true;
    return lzh::EncodeStatus::ReadError;
  }
  FileEncodeSource data(file);
  return writer.Add(member, &data, added);
}

}  // namespace engine
