// The builder's parts, used only inside pack/:
//   source.cpp   medium.ini read into a Plan, every field checked against
//                the rules of the wizard and the update run
//   build.cpp    archives encoded, laid out on disks, written, checked
//   images_*.cpp floppy and CD images through mtools and xorriso
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/update_session.h"
#include "pack/pack.h"

namespace pack {

// One install record as the author gave it.
struct Item {
  bool archive = true;
  std::string name;  // archive base name or file name, as written
  std::string into;  // subfolder of the installation, ending with '\'
  int line = 0;      // the section's header line
  // An archive: the source folder of its files (relative to the source
  // folder); for START, per version index, the folders of the variants.
  std::string folder;
  int folderLine = 0;
  std::map<int, std::string> variants;  // version index -> folder
  std::map<int, int> variantLines;
  // A file: its path in the source folder.
  std::string source;
  int sourceLine = 0;
};

// Everything medium.ini says, in code page 932.
struct Plan {
  std::string keys[kUninstallKeyCount];
  std::string folder;
  std::string masterAdjust;
  std::string settings;
  std::string category;
  std::string version;
  std::string pictures[4];     // names on the medium (main, notes, target, confirmation)
  std::string pictureFrom[4];  // paths in the source folder
  int pictureLines[4] = {};
  std::string notes;  // descriptor form: line breaks as TAB and a filler
  std::string targetText;
  std::string titles[kTitlePatternCount];
  std::vector<Item> items;
};

void AddProblem(std::vector<Problem>& problems, const std::string& file, int line, const std::string& ja,
                const std::string& en);

// Reads and checks `sourceDir`/medium.ini (sourceDir ends with a separator).
bool ReadPlan(const std::string& sourceDir, Plan& plan, std::vector<Problem>& problems);

// The pictures: present in the source folder and drawable by the wizard.
bool CheckPictures(const std::string& sourceDir, const Plan& plan, std::vector<Problem>& problems);

// Version indexes the classification can give for this plan: title patterns
// up to and including the first empty one, and 0 and 99 when the settings
// file may be pilunet1.ini.
std::vector<int> SelectableIndexes(const Plan& plan);

// The record line of one archive or file.
std::string RecordLine(int disk, bool archive, const std::string& name, const std::string& into);

// The descriptor: the fixed lines and the given record lines, CR LF.
std::string InfoText(const Plan& plan, const std::vector<std::string>& records);

// Writes the images of a finished medium; false with a problem on failure.
// The floppy image gets `files` of `diskFolder` in that order.
bool MakeFloppyImage(const std::string& diskFolder, const std::vector<std::string>& files, const std::string& image,
                     int disk, std::vector<Problem>& problems);
bool MakeCdImage(const std::string& folder, const std::string& image, std::vector<Problem>& problems);

}  // namespace pack
