// The host's console: readings of a variable's text, ranges, changes, commands and errors.

#include <gtest/gtest.h>

#include <sstream>

#include "console.h"
#include "hostsdk/cvar_text.h"

namespace {

struct ConsoleFixture : ::testing::Test {
  std::ostringstream stream;
  host::Output output{stream};
  host::PluginCalls calls{output};
  host::Console console{output, calls};

  std::vector<std::string> lines() {
    std::vector<std::string> out;
    std::istringstream in(stream.str());
    for (std::string line; std::getline(in, line);) out.push_back(line);
    stream.str("");
    return out;
  }
  host::Variable& ranged(const std::string& name, const std::string& value, float min, float max) {
    return *console.registerVariable({name, value, "", true, true, min, true, max, true});
  }
};

}  // namespace

TEST(CvarText, ReadingsOfTheUsualTexts) {
  const struct {
    const char* text;
    bool asBool;
    float asFloat;
    int asInt;
  } cases[] = {
      {"1", true, 1.0f, 1},      {"0", false, 0.0f, 0},        {"0.8", true, 0.8f, 0},
      {"-2.7", true, -2.7f, -2}, {" 3 ", true, 3.0f, 3},       {"+2", true, 2.0f, 2},
      {"true", true, 1.0f, 1},   {"FALSE", false, 0.0f, 0},    {"abc", false, 0.0f, 0},
      {"1x", false, 0.0f, 0},    {"", false, 0.0f, 0},         {"nan", false, 0.0f, 0},
      {"inf", false, 0.0f, 0},   {"1e3", true, 1000.0f, 1000}, {"1e12", true, 1e12f, 2147483647},
      {"TRUE", true, 1.0f, 1},   {"True", true, 1.0f, 1},      {"tRuE", true, 1.0f, 1},
      {"False", false, 0.0f, 0}, {"truex", false, 0.0f, 0},    {"0.5", true, 0.5f, 0},
      {"-0.5", true, -0.5f, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hostsdk::readBool(c.text), c.asBool) << c.text;
    EXPECT_EQ(hostsdk::readFloat(c.text), c.asFloat) << c.text;
    EXPECT_EQ(hostsdk::readInt(c.text), c.asInt) << c.text;
  }
}

TEST_F(ConsoleFixture, RangedVariablesKeepNumbersInRangeAndRefuseText) {
  host::Variable& scale = ranged("scale", "1", 1.0f, 3.0f);
  console.execute("scale 2.5");
  console.execute("scale");
  console.execute("scale 9");
  console.execute("scale");
  console.execute("scale -1");
  console.execute("scale");
  console.execute("scale 2.50");  // a number in range is kept as typed
  console.execute("scale");
  console.execute("scale 1e1");
  console.execute("scale abc");
  console.execute("scale nan");
  console.execute("scale 1 2");
  console.execute("scale 1e39");   // too large for a float: no number
  console.execute("scale 1e-50");  // too small for one: zero
  EXPECT_EQ(scale.value, "1");
  EXPECT_EQ(lines(), (std::vector<std::string>{
                         "cvar scale = 2.5",
                         "note: scale: 9 is more than 3, kept at 3",
                         "cvar scale = 3",
                         "note: scale: -1 is less than 1, kept at 1",
                         "cvar scale = 1",
                         "cvar scale = 2.50",
                         "note: scale: 1e1 is more than 3, kept at 3",
                         "error: scale: \"abc\" is not a number",
                         "error: scale: \"nan\" is not a number",
                         "error: scale: takes one value (quote a value with blanks)",
                         "error: scale: \"1e39\" is not a number",
                         "note: scale: 1e-50 is less than 1, kept at 1",
                     }));
  // Free text takes anything, quoted blanks included.
  host::Variable* method =
      console.registerVariable({"method", "a", "", true, false, 0, false, 0, true});
  console.execute("method \"\"");
  EXPECT_EQ(method->value, "");
  console.execute("method \"two words\"");
  EXPECT_EQ(method->value, "two words");
  console.execute(std::string("method \"a\0b\"", 12));
  EXPECT_EQ(method->value, "two words");
  EXPECT_EQ(lines(),
            std::vector<std::string>{"error: method: a value cannot hold a NUL character"});

  // A range open on one side bounds that side only.
  host::Variable* floor =
      console.registerVariable({"floor", "2", "", true, true, 0.5f, false, 0, true});
  host::Variable* ceiling =
      console.registerVariable({"ceiling", "2", "", true, false, 0, true, 3.0f, true});
  for (const char* line : {"floor 7", "ceiling -7"}) console.execute(line);
  EXPECT_EQ(floor->value + " " + ceiling->value, "7 -7");
  for (const char* line : {"floor 0", "ceiling 9"}) console.execute(line);
  EXPECT_EQ(floor->value + " " + ceiling->value, "0.5 3");
}

TEST_F(ConsoleFixture, BoundCellsAndHandlersSeeEachChangeOnce) {
  host::Variable& enabled = ranged("enabled", "0", 0.0f, 1.0f);
  auto flag = std::make_shared<bool>(true);
  auto number = std::make_shared<float>(5.0f);
  console.bind(nullptr, enabled, flag);
  EXPECT_FALSE(*flag) << "binding writes the current value at once";
  console.bind(nullptr, enabled, number);

  std::vector<std::string> seen;
  console.listen(nullptr, enabled, [&](std::string old, CVarWrapper) {
    seen.push_back(old + "->" + enabled.value + (*flag ? " on" : " off"));
  });
  for (const char* value : {"1", "1", "0.5", "5", "0"}) {
    console.execute(std::string("enabled ") + value);
  }
  // "5" is kept at 1, which is 0.5's successor, not a repeat of "1".
  EXPECT_EQ(seen, (std::vector<std::string>{"0->1 on", "1->0.5 on", "0.5->1 on", "1->0 off"}));
  EXPECT_EQ(*number, 0.0f);
}

TEST_F(ConsoleFixture, CommandsGetTheirWordsAndBadLinesAnError) {
  std::vector<std::string> words;
  console.addCommand(
      nullptr, "say", [&](std::vector<std::string> w) { words = w; }, "", 0);
  console.execute("  say\thello \"big world\" \"a \\\"quote\\\"\" \"c:\\\\dir\\x\"  ");
  EXPECT_EQ(words,
            (std::vector<std::string>{"say", "hello", "big world", "a \"quote\"", "c:\\dir\\x"}));
  console.execute("");
  console.execute("nothing here");
  console.execute("say \"unterminated");
  EXPECT_EQ(lines(), (std::vector<std::string>{"error: nothing: unknown command",
                                               "error: unterminated quote"}));
}

TEST_F(ConsoleFixture, ListsVariablesAndCommandsWithTheirValuesAndDescriptions) {
  console.registerVariable({"rw_scale", "1", "Scale", true, true, 1.0f, true, 3.0f, true});
  console.registerVariable({"rw_method", "web", "Method", true, false, 0, false, 0, true});
  console.registerVariable({"rw_floor", "2", "", true, true, 0.5f, false, 0, true});
  console.registerVariable({"rw_hidden", "x", "Hidden", false, false, 0, false, 0, true});
  console.addCommand(
      nullptr, "rw_reset", [](std::vector<std::string>) {}, "Reset", 0);
  console.addBuiltin("rw_save", "rw_save <file>", "save", [](const std::vector<std::string>&) {});
  console.listVariables("rw_");
  console.listVariables("rw_s");
  console.listCommands("rw_");
  console.listCommands("none");
  EXPECT_EQ(lines(), (std::vector<std::string>{
                         "cvar rw_floor = 2 (0.5 to any)",
                         "cvar rw_method = web - Method",
                         "cvar rw_scale = 1 (1 to 3) - Scale",
                         "cvarlist: 3 variables",
                         "cvar rw_scale = 1 (1 to 3) - Scale",
                         "cvarlist: 1 variable",
                         "cmd rw_reset - Reset",
                         "cmd rw_save <file> - save",
                         "cmdlist: 2 commands",
                         "cmdlist: 0 commands",
                     }));
}

TEST_F(ConsoleFixture, SavedValuesStartNewVariablesAndOutliveUnknownOnes) {
  console.restore({{"scale", {"2", "cfg:1"}},
                   {"other", {"kept", "cfg:2"}},
                   {"enabled", {"junk", "cfg:3"}},
                   {"opacity", {"7", "cfg:4"}}},
                  {"damaged"});
  EXPECT_EQ(ranged("scale", "1", 1.0f, 3.0f).value, "2");
  EXPECT_EQ(ranged("enabled", "0", 0.0f, 1.0f).value, "0");
  EXPECT_EQ(ranged("opacity", "0.8", 0.0f, 1.0f).value, "1");
  EXPECT_EQ(ranged("damaged", "5", 0.0f, 9.0f).value, "5");
  EXPECT_EQ(lines(), (std::vector<std::string>{
                         "error: cfg:3: saved value ignored: enabled: \"junk\" is not a number",
                         "note: cfg:4: opacity: 7 is more than 1, kept at 1",
                     }));
  console.execute("scale 3");
  // What could not be read is not saved over until the user sets it.
  auto saved = console.valuesToSave();
  EXPECT_EQ(saved, (std::map<std::string, std::string>{
                       {"scale", "3"}, {"other", "kept"}, {"opacity", "1"}}));
  console.execute("enabled 0");
  console.execute("damaged 5");
  saved = console.valuesToSave();
  EXPECT_EQ(saved.at("enabled"), "0");
  EXPECT_EQ(saved.at("damaged"), "5");
}

TEST_F(ConsoleFixture, ForgettingAPluginDropsItsCommandsBindingsAndHandlers) {
  auto* plugin = reinterpret_cast<host::PluginSlot*>(0x1);  // an identity only
  host::Variable& enabled = ranged("enabled", "0", 0.0f, 1.0f);
  auto cell = std::make_shared<bool>(false);
  int heard = 0;
  console.bind(plugin, enabled, cell);
  console.listen(plugin, enabled, [&](std::string, CVarWrapper) { ++heard; });
  console.addCommand(
      plugin, "act", [&](std::vector<std::string>) { ++heard; }, "", 0);
  console.forget(plugin);
  console.execute("enabled 1");
  console.execute("act");
  EXPECT_EQ(heard, 0);
  EXPECT_FALSE(*cell);
  EXPECT_EQ(cell.use_count(), 1);
  EXPECT_EQ(lines(), std::vector<std::string>{"error: act: unknown command"});
}
