// The saved settings file: round trips, damaged files and saving that never loses the old file.

#include <gtest/gtest.h>

#include <fstream>

#include "config_file.h"
#include "harness.h"

using testing_support::TempFolder;

namespace {

void writeText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

std::string readText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(ConfigFile, ValuesSurviveARoundTrip) {
  TempFolder folder;
  const auto file = host::configFile(folder.path());
  const std::map<std::string, std::string> values = {
      {"plain", "1"}, {"blank", ""}, {"quoted", "say \"hi\" \\ back"}, {"lines", "a\nb"}};
  std::string error;
  ASSERT_TRUE(host::writeConfig(file, values, error)) << error;
  host::ConfigContents read = host::readConfig(file);
  EXPECT_TRUE(read.problems.empty());
  EXPECT_EQ(read.values, values);
}

TEST(ConfigFile, DamagedLinesAreReportedAndSkippedOneByOne) {
  TempFolder folder;
  const auto file = host::configFile(folder.path());
  writeText(file,
            "// comment\n"
            "good \"1\"\r\n"
            "\n"
            "noquotes 1\n"
            "open \"unterminated\n"
            "trailing \"x\" junk\n"
            "also_good \"two words\"\n"
            "\"bad name\" \"x\"\n"
            "lonely\n"
            "good \"2\"\n");  // a name repeated: the later line wins
  host::ConfigContents read = host::readConfig(file);
  EXPECT_EQ(read.values,
            (std::map<std::string, std::string>{{"good", "2"}, {"also_good", "two words"}}));
  ASSERT_EQ(read.problems.size(), 5u);
  EXPECT_EQ(read.problems[0], file.string() + ":4: not a `name \"value\"` line, skipped");
  EXPECT_TRUE(host::readConfig(folder.path() / "missing.cfg").values.empty());
}

TEST(ConfigFile, AFailedSaveLeavesThePreviousFileWhole) {
  TempFolder folder;
  const auto file = host::configFile(folder.path());
  std::string error;
  ASSERT_TRUE(host::writeConfig(file, {{"kept", "1"}}, error));
  const std::string before = readText(file);
  // The temporary file's name is taken by a folder, so the save cannot write it.
  std::filesystem::create_directory(file.string() + ".tmp");
  EXPECT_FALSE(host::writeConfig(file, {{"kept", "2"}}, error));
  EXPECT_NE(error.find("cannot write"), std::string::npos);
  EXPECT_EQ(readText(file), before);
}

TEST(ConfigFile, TheHostSavesOnExitAndStartsFromTheSavedValues) {
  TempFolder folder;
  writeText(host::configFile(folder.path()), "rankwatch_scale \"2\"\nbroken\n");
  {
    testing_support::Harness harness;  // a folder of its own, to show it is not shared
  }
  std::ostringstream stream;
  host::Output output(stream);
  host::Clock clock(host::Clock::Mode::Virtual);
  host::RatingService ratings(clock);
  {
    host::Host first(output, clock, ratings, folder.path());
    host::Variable* scale = first.console().registerVariable(
        {"rankwatch_scale", "1", "", true, true, 1.0f, true, 3.0f, true});
    EXPECT_EQ(scale->value, "2");
    first.console().execute("rankwatch_scale 3");
  }
  EXPECT_NE(stream.str().find("config.cfg:2: not a"), std::string::npos);
  host::Host second(output, clock, ratings, folder.path());
  EXPECT_EQ(second.console()
                .registerVariable({"rankwatch_scale", "1", "", true, true, 1.0f, true, 3.0f, true})
                ->value,
            "3");
}
