// Checks the update run makes on the installed product before it changes
// anything: which variant is installed, and whether the files the update
// builds on are present. Both only read.
#pragma once

#include <cstddef>
#include <string>

namespace targets {

constexpr int kTitlePatternSlots = 15;
// Profile reads for "TITLE" and "MAKER" use a 100-byte buffer: at most 99
// bytes of value reach the comparison.
constexpr std::size_t kProductValueBuffer = 100;

// Version index of the product installed in `workingFolder` (a folder string
// to which `settingsFile` is appended directly):
//   settings file PILUNET1.INI (any letter case): "MAKER" of [SYSTEM], default
//     "1", read as atoi does; 1 gives 0, anything else 99;
//   any other name: 1 to 15, the position of the first of `patterns` found in
//     "TITLE" of [SYSTEM] (case-sensitive; an empty pattern is found in any
//     title), or -1 when none is found.
int ClassifyInstalledProduct(const std::string& workingFolder, const std::string& settingsFile,
                             const std::string (&patterns)[kTitlePatternSlots]);

// 1 when the installation holds a menu settings file (only asked for the
// MOREFA1.INI and ZERBIS1.INI products) or "tessolin.exe", and both bitmaps
// "bmp\VOSKE2L.BMP" and "bmp\file.BMP"; 0 otherwise. When a menu file or the
// tool is not found directly under `workingFolder`, one backslash is appended
// to `workingFolder` and the test repeated; the backslash stays, and the
// caller goes on with the changed string.
int CheckInstalledFiles(std::string& workingFolder, const std::string& settingsFile);

}  // namespace targets
