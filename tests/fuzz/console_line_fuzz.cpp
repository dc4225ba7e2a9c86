// Fuzzes the host's console: each line of the input is run as typed. Besides never crashing or
// hanging, the console must keep what its README promises, checked here against a small
// reading of numbers of this file's own:
//   - splitting a line, quoting each word and splitting again gives the same words;
//   - a ranged variable always holds a number within its range, and its bound cells hold that
//     number; a value in range is kept as typed, one outside is kept at the nearer end, and a
//     value that is no number changes nothing.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "console.h"

namespace {

// The README's rule, read independently: the whole text, blanks around it allowed, as a finite
// decimal number, or "true" / "false" in any letter case.
std::optional<float> number(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::nullopt;
  const size_t last = text.find_last_not_of(" \t\r\n");
  std::string word = text.substr(first, last - first + 1);
  std::string lower;
  for (char c : word) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (lower == "true") return 1.0f;
  if (lower == "false") return 0.0f;
  for (char c : word) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-')) {
      return std::nullopt;
    }
  }
  if (word.size() > 1 && word[0] == '+' && word[1] == '-') return std::nullopt;
  char* end = nullptr;
  // Too small for a float is still a number: it reads as the nearest float.
  const float value = std::strtof(word.c_str(), &end);
  if (end != word.c_str() + word.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string quoted(const std::string& word) {
  std::string out = "\"";
  for (char c : word) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

void check(bool holds, const char* what, const std::string& line) {
  if (holds) return;
  std::fprintf(stderr, "console_line_fuzz: %s\n  line: %s\n", what, quoted(line).c_str());
  std::abort();
}

struct World {
  std::ostringstream text;
  host::Output output{text};
  host::PluginCalls calls{output};
  host::Console console{output, calls};
  host::Variable* scale;
  host::Variable* flag;
  host::Variable* free;
  std::shared_ptr<float> scaleCell = std::make_shared<float>(0.0f);
  std::shared_ptr<int> scaleInt = std::make_shared<int>(0);
  std::shared_ptr<bool> flagCell = std::make_shared<bool>(false);
  std::shared_ptr<std::string> freeCell = std::make_shared<std::string>();
  std::vector<std::string> heard;

  World() {
    scale = console.registerVariable({"scale", "1", "", true, true, 1.0f, true, 3.0f, true});
    flag = console.registerVariable({"flag", "0", "", true, true, 0.0f, true, 1.0f, true});
    free = console.registerVariable({"free", "x", "", true, false, 0.0f, false, 0.0f, false});
    console.bind(nullptr, *scale, scaleCell);
    console.bind(nullptr, *scale, scaleInt);
    console.bind(nullptr, *flag, flagCell);
    console.bind(nullptr, *free, freeCell);
    // A handler that sets another variable, as plugin handlers do.
    console.listen(nullptr, *free, [this](std::string, CVarWrapper) {
      std::string error;
      console.set(*scale, *freeCell, error);
    });
    console.addCommand(
        nullptr, "say", [this](std::vector<std::string> words) { heard = std::move(words); }, "",
        0);
  }
};

void checkLine(World& world, const std::string& line) {
  std::vector<std::string> words;
  std::string error;
  const std::string scaleBefore = world.scale->value;
  const bool split = host::Console::split(line, words, error);
  if (split) {
    std::string again;
    for (const std::string& word : words) again += quoted(word) + " ";
    std::vector<std::string> twice;
    check(host::Console::split(again, twice, error) && twice == words,
          "quoting the words and splitting again changed them", line);
  }

  world.console.execute(line);
  world.text.str("");

  for (host::Variable* ranged : {world.scale, world.flag}) {
    const std::optional<float> held = number(ranged->value);
    check(held.has_value(), "a ranged variable holds no number", line);
    check(*held >= ranged->declared.minimum && *held <= ranged->declared.maximum,
          "a ranged variable holds a number outside its range", line);
  }
  const float scale = *number(world.scale->value);
  check(*world.scaleCell == scale, "the float cell differs", line);
  check(*world.scaleInt == static_cast<int>(std::trunc(scale)), "the int cell differs", line);
  check(*world.flagCell == (*number(world.flag->value) != 0.0f), "the bool cell differs", line);
  check(*world.freeCell == world.free->value, "the text cell differs", line);

  // "scale <value>" as the user typed it.
  if (split && words.size() == 2 && words[0] == "scale") {
    const std::optional<float> typed = number(words[1]);
    if (!typed) {
      check(world.scale->value == scaleBefore, "a value that is no number changed scale", line);
    } else if (*typed >= 1.0f && *typed <= 3.0f) {
      check(world.scale->value == words[1], "a value in range was not kept as typed", line);
    } else {
      check(scale == (*typed < 1.0f ? 1.0f : 3.0f), "a value out of range was not kept at its end",
            line);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World world;
  const std::string input(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  while (start <= input.size()) {
    size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    checkLine(world, input.substr(start, end - start));
    start = end + 1;
  }
  return 0;
}
