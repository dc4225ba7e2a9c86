#pragma once

// Reads a Windows x86-64 library (PE32+) the way the Windows loader and Explorer would, for
// tests on Linux: its exports, imports, relocations, data at an address and version resource.
// Every offset is checked against the file; a damaged file is refused with a reason.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pe {

struct Section {
  std::string name;
  std::uint32_t rva = 0;
  std::uint32_t size = 0;  // in memory
  std::uint32_t fileOffset = 0;
  std::uint32_t fileSize = 0;
  std::uint32_t flags = 0;  // IMAGE_SCN_*
};

constexpr std::uint32_t kSectionWritable = 0x80000000;

// The version resource: the fixed part, and the texts of each string table by its key.
struct VersionInfo {
  std::uint16_t language = 0;  // of the resource entry
  std::uint32_t signature = 0;
  std::uint16_t fileVersion[4] = {};
  std::uint16_t productVersion[4] = {};
  std::map<std::string, std::map<std::string, std::string>> stringTables;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;  // language, code page
};

struct Library {
  std::vector<unsigned char> bytes;
  std::uint64_t imageBase = 0;
  std::vector<Section> sections;
  std::map<std::string, std::uint32_t> exports;  // by name: the address (RVA)
  std::vector<std::string> imports;              // DLL names, in table order
  std::set<std::uint32_t> relocated;             // RVAs of 64-bit addresses the loader fixes
  std::optional<VersionInfo> version;

  const Section* sectionAt(std::uint32_t rva) const;
  // Null when [rva, rva + size) is not all in the file.
  const unsigned char* at(std::uint32_t rva, std::uint32_t size) const;
  // The NUL-terminated text at an address; nullopt when it runs off its section.
  std::optional<std::string> textAt(std::uint32_t rva) const;
};

// nullopt, with a one-line reason, for anything but a well-formed PE32+ file.
std::optional<Library> read(const std::string& path, std::string& error);

}  // namespace pe
