// Fuzzes the host's config file reader with any text as the file. Besides never crashing or
// hanging, reading and writing back must lose nothing:
//   - the lines as read are the file's lines, and writing back with no values changes none;
//   - writing back the values read and reading again gives the same values and the same
//     damaged names, and changes no line that held no value;
//   - any value, written into a new file and read again, comes back as it was.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "config_file.h"

namespace {

void check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "config_file_fuzz: %s\n", what);
  std::abort();
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + '\n';
  return text;
}

host::ConfigContents read(const std::string& text) {
  std::istringstream in(text);
  return host::readConfig(in, "fuzz.cfg");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const host::ConfigContents first = read(text);

  // getline drops the last line break only.
  std::string expected = text;
  if (!expected.empty() && expected.back() != '\n') expected += '\n';
  check(joined(first.lines) == expected, "the lines as read are not the file's lines");
  if (!first.lines.empty()) {
    check(host::mergeValues(first.lines, {}) == first.lines,
          "writing back no values changed a line");
  }

  const std::vector<std::string> written = host::mergeValues(first.lines, first.values);
  const host::ConfigContents second = read(joined(written));
  check(second.values == first.values, "the values written back read differently");
  check(second.damaged == first.damaged, "the damaged names written back read differently");
  check(written.size() == first.lines.size() || first.lines.empty(),
        "writing back the values read added lines");

  // The input's second half as a value of its own; the console lets none hold a NUL.
  std::string value = text.substr(size / 2);
  for (char& c : value) c = c == '\0' ? ' ' : c;
  const host::ConfigContents fresh = read(joined(host::mergeValues({}, {{"name", value}})));
  check(fresh.values.size() == 1 && fresh.values.begin()->second == value,
        "a value written into a new file came back changed");
  return 0;
}
