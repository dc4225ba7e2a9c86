// The Windows build as a player's Windows sees it, read from the files: the plugin's exports,
// its record, what each binary imports and the plugin's version resource.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <set>

#include "pe_reader.h"
#include "plugin_exports.h"

namespace {

pe::Library readOrFail(const std::string& path) {
  std::string error;
  std::optional<pe::Library> library = pe::read(path, error);
  if (!library) {
    ADD_FAILURE() << error;
    return {};
  }
  return *library;
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

TEST(WindowsPlugin, ExportsOnlyItsRecordFunctionsAndBasePart) {
  const pe::Library dll = readOrFail(RANKWATCH_WINDOWS_PLUGIN);
  std::set<std::string> names;
  for (const auto& [name, rva] : dll.exports) names.insert(name);
  EXPECT_EQ(names, kPluginExports);
}

TEST(WindowsPlugin, RecordReadsByLayoutFromWritableData) {
  const pe::Library dll = readOrFail(RANKWATCH_WINDOWS_PLUGIN);
  ASSERT_EQ(dll.exports.count("exports"), 1u);
  const std::uint32_t record = dll.exports.at("exports");
  const pe::Section* section = dll.sectionAt(record);
  ASSERT_NE(section, nullptr);
  EXPECT_TRUE(section->flags & pe::kSectionWritable) << section->name;
  const unsigned char* bytes = dll.at(record, 64);
  ASSERT_NE(bytes, nullptr);

  auto read32 = [&](std::uint32_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | bytes[at + i];
    return value;
  };
  // A pointer field holds an address at the preferred base, which the loader fixes up: it
  // must be listed for relocation, and it leads back to an address in the library.
  auto target = [&](std::uint32_t at) -> std::uint32_t {
    EXPECT_TRUE(dll.relocated.count(record + at)) << "field at byte " << at << " is not relocated";
    std::uint64_t address = 0;
    for (int i = 7; i >= 0; --i) address = address << 8 | bytes[at + i];
    return static_cast<std::uint32_t>(address - dll.imageBase);
  };
  auto text = [&](std::uint32_t at) { return dll.textAt(target(at)).value_or("<no text>"); };

  EXPECT_EQ(read32(0), 95u);
  EXPECT_EQ(read32(4), 0u);
  const std::string source = text(8);
  EXPECT_EQ(source.substr(source.size() - 13), "rankwatch.cpp") << source;
  EXPECT_EQ(text(16), "rankwatch");
  EXPECT_EQ(text(24), "Rankwatch");
  EXPECT_EQ(text(32), "1.3b");
  EXPECT_EQ(read32(40), 0x20u);
  EXPECT_EQ(read32(44), 0u);
  EXPECT_EQ(target(48), dll.exports.at("getPlugin"));
  EXPECT_EQ(target(56), dll.exports.at("deleteMe"));
}

TEST(WindowsBinaries, ImportOnlyWhatEveryWindowsHasAndTheSdk) {
  // The C++ runtime, libgcc and the threads library are inside each binary; a DLL of theirs
  // here would be missing on a player's Windows.
  const std::set<std::string> system = {"kernel32.dll", "user32.dll", "imm32.dll",  "msvcrt.dll",
                                        "advapi32.dll", "ws2_32.dll", "winhttp.dll"};
  const struct {
    std::string file;
    bool importsSdk;
  } binaries[] = {
      {RANKWATCH_WINDOWS_PLUGIN, true},
      {RANKWATCH_WINDOWS_BIN "/hostsdk.dll", false},
      {RANKWATCH_WINDOWS_BIN "/rankwatch-host.exe", true},
  };
  for (const auto& binary : binaries) {
    const pe::Library library = readOrFail(binary.file);
    bool sdk = false;
    for (const std::string& name : library.imports) {
      if (lower(name) == "hostsdk.dll") {
        sdk = true;
      } else {
        EXPECT_TRUE(system.count(lower(name))) << binary.file << " imports " << name;
      }
    }
    EXPECT_EQ(sdk, binary.importsSdk) << binary.file;
  }
}

TEST(WindowsPlugin, VersionResourceCarriesEveryField) {
  const pe::Library dll = readOrFail(RANKWATCH_WINDOWS_PLUGIN);
  ASSERT_TRUE(dll.version.has_value());
  const pe::VersionInfo& version = *dll.version;
  EXPECT_EQ(version.language, 0x0409);
  EXPECT_EQ(version.signature, 0xfeef04bdu);
  const std::vector<std::uint16_t> v1002 = {1, 0, 0, 2};
  EXPECT_EQ(std::vector<std::uint16_t>(version.fileVersion, version.fileVersion + 4), v1002);
  EXPECT_EQ(std::vector<std::uint16_t>(version.productVersion, version.productVersion + 4), v1002);
  using Pairs = std::vector<std::pair<std::uint16_t, std::uint16_t>>;
  EXPECT_EQ(version.translations, (Pairs{{0x0409, 1200}}));
  const std::map<std::string, std::map<std::string, std::string>> tables = {
      {"040904b0",
       {
           {"FileDescription", "Bakkesmod plugin : Rankwatch"},
           {"FileVersion", "1.0.0.2"},
           {"InternalName", "rankwatch.dll"},
           {"OriginalFilename", "rankwatch.dll"},
           {"ProductName", "Rankwatch"},
           {"ProductVersion", "1.0.0.2"},
       }},
  };
  EXPECT_EQ(version.stringTables, tables);
}

TEST(PeReader, RefusesWhatIsNotAWholeWindowsLibrary) {
  const std::string truncated = testing::TempDir() + "truncated.dll";
  {
    std::ifstream in(RANKWATCH_WINDOWS_PLUGIN, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    std::ofstream(truncated, std::ios::binary) << head;
  }
  const struct {
    std::string file;
    std::string reason;
  } cases[] = {
      {"/nonexistent/rankwatch.dll", "cannot be read"},
      {"/proc/self/exe", "not a Windows program"},
      {truncated, "runs past the end of the file"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(pe::read(c.file, error).has_value()) << c.file;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
  std::remove(truncated.c_str());
}
