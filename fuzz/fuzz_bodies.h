// The bodies of the fuzz targets, kept apart from libFuzzer's entry point so
// that a normal test can replay every kept crash input through the same code.
// Each body returns normally for any input; a broken invariant aborts, which
// libFuzzer reports as a finding and a test as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// LZH header reader and decoder: walks the archive member by member and
// decodes every member.
void LzhArchive(const std::uint8_t* data, std::size_t size);
// The LZH encoder: the input, cut into members, goes through ArchiveWriter
// (method, header level and read sizes taken from its first bytes) and must
// come back unchanged through the decoder.
void LzhRoundTrip(const std::uint8_t* data, std::size_t size);
// LoadDescriptor on a file holding the input as info.txt.
void Descriptor(const std::uint8_t* data, std::size_t size);
// ProfileRead and ProfileWrite on content, section, key and value cut from
// the input.
void Profile(const std::uint8_t* data, std::size_t size);
// The BMP reader on the input as a file in memory.
void Bitmap(const std::uint8_t* data, std::size_t size);
// The master-file line rules, whole file and record by record.
void MasterLines(const std::uint8_t* data, std::size_t size);
// FolderFromUninstallCommand on the input as a registered uninstall command.
void UninstallCommand(const std::uint8_t* data, std::size_t size);

using Body = void (*)(const std::uint8_t* data, std::size_t size);
// The body named `name` (the fuzz target's name without "_fuzz"), or null.
Body BodyNamed(const std::string& name);

}  // namespace fuzz
