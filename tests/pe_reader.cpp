// Sections of this file:
//   bytes      little-endian reads that never leave the buffer
//   headers    DOS stub, PE header, optional header, section table
//   tables     exports, imports, base relocations
//   version    the resource tree down to RT_VERSION, and the VS_VERSIONINFO blocks

#include "pe_reader.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace pe {

namespace {

// ---- bytes ----------------------------------------------------------------------------------

struct Failure {
  std::string reason;
};

template <typename T>
T readAt(const unsigned char* data, size_t size, size_t offset) {
  if (offset > size || size - offset < sizeof(T)) throw Failure{"truncated"};
  T value = 0;
  for (size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(T(data[offset + i]) << (8 * i));
  return value;
}

// Reads the library's memory image by address.
struct View {
  const Library& library;

  template <typename T>
  T read(std::uint32_t rva) const {
    const unsigned char* p = library.at(rva, sizeof(T));
    if (!p) throw Failure{"address " + std::to_string(rva) + " is outside the file"};
    return readAt<T>(p, sizeof(T), 0);
  }
  std::string text(std::uint32_t rva) const {
    std::optional<std::string> found = library.textAt(rva);
    if (!found) throw Failure{"text at " + std::to_string(rva) + " runs off its section"};
    return *found;
  }
};

constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kMagicPe32Plus = 0x20b;
enum Directory { kExports = 0, kImports = 1, kResources = 2, kRelocations = 5 };
constexpr std::uint16_t kRelocDir64 = 10;
constexpr std::uint32_t kRtVersion = 16;

// ---- headers --------------------------------------------------------------------------------

struct DataDirectory {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
};

std::vector<DataDirectory> readHeaders(Library& library) {
  const unsigned char* data = library.bytes.data();
  const size_t size = library.bytes.size();
  if (readAt<std::uint16_t>(data, size, 0) != 0x5a4d) throw Failure{"not a Windows program"};
  const std::uint32_t pe = readAt<std::uint32_t>(data, size, 0x3c);
  if (readAt<std::uint32_t>(data, size, pe) != 0x4550) throw Failure{"no PE header"};
  const size_t coff = pe + 4;
  if (readAt<std::uint16_t>(data, size, coff) != kMachineAmd64) throw Failure{"not x86-64"};
  const std::uint16_t sectionCount = readAt<std::uint16_t>(data, size, coff + 2);
  const std::uint16_t optionalSize = readAt<std::uint16_t>(data, size, coff + 16);
  const size_t optional = coff + 20;
  if (readAt<std::uint16_t>(data, size, optional) != kMagicPe32Plus) throw Failure{"not PE32+"};
  library.imageBase = readAt<std::uint64_t>(data, size, optional + 24);

  std::vector<DataDirectory> directories;
  const std::uint32_t directoryCount = readAt<std::uint32_t>(data, size, optional + 108);
  for (std::uint32_t i = 0; i < directoryCount && i < 16; ++i) {
    const size_t entry = optional + 112 + 8 * i;
    if (entry + 8 > optional + optionalSize) throw Failure{"data directories overrun"};
    directories.push_back(
        {readAt<std::uint32_t>(data, size, entry), readAt<std::uint32_t>(data, size, entry + 4)});
  }

  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    const size_t header = optional + optionalSize + 40 * i;
    Section section;
    for (size_t c = 0; c < 8; ++c) {
      const char ch = static_cast<char>(readAt<std::uint8_t>(data, size, header + c));
      if (ch == '\0') break;
      section.name += ch;
    }
    section.size = readAt<std::uint32_t>(data, size, header + 8);
    section.rva = readAt<std::uint32_t>(data, size, header + 12);
    section.fileSize = readAt<std::uint32_t>(data, size, header + 16);
    section.fileOffset = readAt<std::uint32_t>(data, size, header + 20);
    section.flags = readAt<std::uint32_t>(data, size, header + 36);
    if (section.fileOffset > size || size - section.fileOffset < section.fileSize) {
      throw Failure{"section " + section.name + " runs past the end of the file"};
    }
    library.sections.push_back(section);
  }
  directories.resize(16);
  return directories;
}

// ---- tables ---------------------------------------------------------------------------------

void readExports(Library& library, const View& view, DataDirectory directory) {
  if (directory.rva == 0) return;
  const std::uint32_t functionCount = view.read<std::uint32_t>(directory.rva + 20);
  const std::uint32_t nameCount = view.read<std::uint32_t>(directory.rva + 24);
  const std::uint32_t functions = view.read<std::uint32_t>(directory.rva + 28);
  const std::uint32_t names = view.read<std::uint32_t>(directory.rva + 32);
  const std::uint32_t ordinals = view.read<std::uint32_t>(directory.rva + 36);
  for (std::uint32_t i = 0; i < nameCount; ++i) {
    const std::string name = view.text(view.read<std::uint32_t>(names + 4 * i));
    const std::uint16_t ordinal = view.read<std::uint16_t>(ordinals + 2 * i);
    if (ordinal >= functionCount) throw Failure{"export " + name + " has no address"};
    library.exports[name] = view.read<std::uint32_t>(functions + 4 * ordinal);
  }
}

void readImports(Library& library, const View& view, DataDirectory directory) {
  if (directory.rva == 0) return;
  for (std::uint32_t entry = directory.rva;; entry += 20) {
    const std::uint32_t name = view.read<std::uint32_t>(entry + 12);
    const std::uint32_t thunks = view.read<std::uint32_t>(entry + 16);
    if (name == 0 && thunks == 0) break;
    library.imports.push_back(view.text(name));
  }
}

void readRelocations(Library& library, const View& view, DataDirectory directory) {
  std::uint32_t block = directory.rva;
  const std::uint32_t end = directory.rva + directory.size;
  while (directory.rva != 0 && block + 8 <= end) {
    const std::uint32_t page = view.read<std::uint32_t>(block);
    const std::uint32_t blockSize = view.read<std::uint32_t>(block + 4);
    if (blockSize < 8 || blockSize > end - block) throw Failure{"bad relocation block"};
    for (std::uint32_t at = block + 8; at + 2 <= block + blockSize; at += 2) {
      const std::uint16_t entry = view.read<std::uint16_t>(at);
      if (entry >> 12 == kRelocDir64) library.relocated.insert(page + (entry & 0xfff));
    }
    block += blockSize;
  }
}

// ---- version --------------------------------------------------------------------------------

// One node of the VS_VERSIONINFO tree: a key, a value and children, each 32-bit aligned.
struct Block {
  std::string key;
  std::vector<unsigned char> value;  // as stored; text values are UTF-16
  bool text = false;
  std::vector<Block> children;
};

std::uint32_t align4(std::uint32_t offset) {
  return (offset + 3) & ~3u;
}

// Keys and our texts are ASCII; anything else shows as '?'.
std::string narrow(const unsigned char* utf16, size_t units) {
  std::string out;
  for (size_t i = 0; i < units; ++i) {
    const std::uint16_t unit = readAt<std::uint16_t>(utf16, units * 2, i * 2);
    if (unit == 0) break;
    out += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  return out;
}

Block readBlock(const unsigned char* data, std::uint32_t size, std::uint32_t offset,
                std::uint32_t& next) {
  const std::uint16_t length = readAt<std::uint16_t>(data, size, offset);
  const std::uint16_t valueLength = readAt<std::uint16_t>(data, size, offset + 2);
  const std::uint16_t type = readAt<std::uint16_t>(data, size, offset + 4);
  if (length < 6 || length > size - offset) throw Failure{"bad version block length"};
  const std::uint32_t end = offset + length;
  Block block;
  block.text = type == 1;
  std::uint32_t at = offset + 6;
  while (true) {
    const std::uint16_t unit = readAt<std::uint16_t>(data, end, at);
    at += 2;
    if (unit == 0) break;
    block.key += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  at = align4(at);
  const std::uint32_t valueBytes = block.text ? valueLength * 2u : valueLength;
  if (valueBytes > 0) {
    if (at > end || end - at < valueBytes) throw Failure{"version value overruns its block"};
    block.value.assign(data + at, data + at + valueBytes);
    at = align4(at + valueBytes);
  }
  while (at < end) {
    std::uint32_t after = 0;
    block.children.push_back(readBlock(data, end, at, after));
    at = align4(after);
  }
  next = end;
  return block;
}

VersionInfo readVersionBlocks(const unsigned char* data, std::uint32_t size) {
  std::uint32_t next = 0;
  const Block root = readBlock(data, size, 0, next);
  if (root.key != "VS_VERSION_INFO") throw Failure{"version resource has no VS_VERSION_INFO"};
  if (root.value.size() < 52) throw Failure{"version resource has no fixed part"};
  VersionInfo info;
  const unsigned char* fixed = root.value.data();
  info.signature = readAt<std::uint32_t>(fixed, 52, 0);
  const std::uint32_t words[4] = {
      readAt<std::uint32_t>(fixed, 52, 8), readAt<std::uint32_t>(fixed, 52, 12),
      readAt<std::uint32_t>(fixed, 52, 16), readAt<std::uint32_t>(fixed, 52, 20)};
  for (int i = 0; i < 2; ++i) {
    info.fileVersion[2 * i] = static_cast<std::uint16_t>(words[i] >> 16);
    info.fileVersion[2 * i + 1] = static_cast<std::uint16_t>(words[i]);
    info.productVersion[2 * i] = static_cast<std::uint16_t>(words[2 + i] >> 16);
    info.productVersion[2 * i + 1] = static_cast<std::uint16_t>(words[2 + i]);
  }
  for (const Block& child : root.children) {
    if (child.key == "StringFileInfo") {
      for (const Block& table : child.children) {
        auto& strings = info.stringTables[table.key];
        for (const Block& entry : table.children) {
          strings[entry.key] = narrow(entry.value.data(), entry.value.size() / 2);
        }
      }
    } else if (child.key == "VarFileInfo") {
      for (const Block& var : child.children) {
        if (var.key != "Translation") continue;
        for (size_t i = 0; i + 4 <= var.value.size(); i += 4) {
          info.translations.emplace_back(readAt<std::uint16_t>(var.value.data(), i + 4, i),
                                         readAt<std::uint16_t>(var.value.data(), i + 4, i + 2));
        }
      }
    }
  }
  return info;
}

// The first entry of a resource directory, or the one with `id`; offsets are from the root.
std::uint32_t resourceEntry(const View& view, std::uint32_t root, std::uint32_t directory,
                            std::optional<std::uint32_t> id, std::uint32_t* foundId) {
  const std::uint16_t named = view.read<std::uint16_t>(root + directory + 12);
  const std::uint16_t numbered = view.read<std::uint16_t>(root + directory + 14);
  for (std::uint32_t i = 0; i < std::uint32_t(named) + numbered; ++i) {
    const std::uint32_t entry = root + directory + 16 + 8 * i;
    const std::uint32_t name = view.read<std::uint32_t>(entry);
    if (name & 0x80000000u) continue;  // named entries are not ours
    if (id && name != *id) continue;
    if (foundId) *foundId = name;
    return view.read<std::uint32_t>(entry + 4);
  }
  throw Failure{"resource entry not found"};
}

void readVersion(Library& library, const View& view, DataDirectory directory) {
  if (directory.rva == 0) return;
  const std::uint32_t root = directory.rva;
  const std::uint32_t type = resourceEntry(view, root, 0, kRtVersion, nullptr);
  if (!(type & 0x80000000u)) throw Failure{"RT_VERSION is not a directory"};
  const std::uint32_t name = resourceEntry(view, root, type & 0x7fffffffu, std::nullopt, nullptr);
  if (!(name & 0x80000000u)) throw Failure{"version resource is not a directory"};
  std::uint32_t language = 0;
  const std::uint32_t leaf = resourceEntry(view, root, name & 0x7fffffffu, std::nullopt, &language);
  if (leaf & 0x80000000u) throw Failure{"version resource has no data"};
  const std::uint32_t dataRva = view.read<std::uint32_t>(root + leaf);
  const std::uint32_t dataSize = view.read<std::uint32_t>(root + leaf + 4);
  const unsigned char* data = library.at(dataRva, dataSize);
  if (!data) throw Failure{"version resource data is outside the file"};
  library.version = readVersionBlocks(data, dataSize);
  library.version->language = static_cast<std::uint16_t>(language);
}

}  // namespace

const Section* Library::sectionAt(std::uint32_t rva) const {
  for (const Section& section : sections) {
    if (rva >= section.rva && rva - section.rva < std::max(section.size, section.fileSize)) {
      return &section;
    }
  }
  return nullptr;
}

const unsigned char* Library::at(std::uint32_t rva, std::uint32_t size) const {
  const Section* section = sectionAt(rva);
  if (!section) return nullptr;
  const std::uint32_t offset = rva - section->rva;
  if (offset > section->fileSize || section->fileSize - offset < size) return nullptr;
  return bytes.data() + section->fileOffset + offset;
}

std::optional<std::string> Library::textAt(std::uint32_t rva) const {
  const Section* section = sectionAt(rva);
  if (!section) return std::nullopt;
  std::string text;
  for (std::uint32_t at = rva; at - section->rva < section->fileSize; ++at) {
    const char c = static_cast<char>(bytes[section->fileOffset + (at - section->rva)]);
    if (c == '\0') return text;
    text += c;
  }
  return std::nullopt;
}

std::optional<Library> read(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be read";
    return std::nullopt;
  }
  Library library;
  library.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  try {
    const std::vector<DataDirectory> directories = readHeaders(library);
    const View view{library};
    readExports(library, view, directories[kExports]);
    readImports(library, view, directories[kImports]);
    readRelocations(library, view, directories[kRelocations]);
    readVersion(library, view, directories[kResources]);
  } catch (const Failure& failure) {
    error = path + ": " + failure.reason;
    return std::nullopt;
  }
  return library;
}

}  // namespace pe
