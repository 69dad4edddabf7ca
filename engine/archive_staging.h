// Where an extraction puts what it decodes: the destination folder it makes
// and the temporary files that become the members' files only once every
// member has been decoded. Internal to the extraction component.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "os/archive_io.h"

namespace engine {

// Creates `folder` (ending with a separator) and every missing folder above
// it; `created` lists the folders made, outermost first.
bool EnsureFolder(const std::string& folder, std::vector<std::string>& created);

// Folders an extraction made; removed again (while empty) unless kept.
class CreatedFolders {
 public:
  CreatedFolders() = default;
  ~CreatedFolders();
  CreatedFolders(const CreatedFolders&) = delete;
  CreatedFolders& operator=(const CreatedFolders&) = delete;
  std::vector<std::string>& list() { return folders_; }
  void Keep() { keep_ = true; }

 private:
  std::vector<std::string> folders_;
  bool keep_ = false;
};

// Decoded members wait in temporary files of the destination folder, so
// that installing them is a rename on the same volume. Install moves every
// one over its target, keeping each replaced file aside until all are in
// place; if any step fails, everything is moved back. Whatever temporary
// file is left when the object goes away is removed.
class Staging {
 public:
  explicit Staging(os::ExtractFolder& folder) : folder_(folder) {}
  ~Staging();
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  // Creates a new temporary file; its name in `name`. CreateTemp and Discard
  // may be called from several threads at once; everything else only while
  // no thread calls them.
  bool CreateTemp(os::FolderFile& file, std::string& name);
  // A file whose temporary copy is complete. A later member of the same name
  // replaces an earlier one, as extracting them in order would.
  void Add(const std::string& temp, const std::string& name);
  // Forgets a temporary file that never completed (it is removed).
  void Discard(const std::string& temp) { RemoveOwn(temp); }

  // CannotRemove: every member is in place, but a replaced file kept aside
  // could not be removed and is left under its temporary name.
  enum class Outcome { Ok, ReadOnly, CannotWrite, CannotRemove };
  Outcome Install(bool replaceReadOnly, std::string& failedPath);

 private:
  struct Entry {
    std::string temp;
    std::string name;
    std::string key;     // the name upper-cased, as names are matched
    std::string target;  // the name on disk: an existing file's own spelling
    std::string backup;  // the replaced file, kept until every member is in place
    bool installed;
    bool exists;  // a file of that name is in the folder already
  };

  // Removes a file of our own making; the second attempt rides over a
  // passing hold (a virus scanner or indexer that opened the new file).
  bool RemoveOwn(const std::string& name) { return folder_.Remove(name) || folder_.Remove(name); }

  std::string NextName();
  std::string NextUnusedName();

  // Undoes entries [0, upTo]: each new file goes back to its temporary name
  // (removed later) and each replaced file back to its own name.
  void RollBack(std::size_t upTo);

  os::ExtractFolder& folder_;
  std::vector<Entry> entries_;
  std::unordered_map<std::string, std::size_t> byName_;  // upper-cased name -> entry
  std::unordered_set<std::string> targets_;  // upper-cased names being installed
};

}  // namespace engine
