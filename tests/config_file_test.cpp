// The saved settings file: round trips, damaged files and saving that never loses the old file.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <set>
#include <sstream>

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
      {"plain", "1"},    {"blank", ""},       {"quoted", "say \"hi\" \\ back"},
      {"lines", "a\nb"}, {"path", "C:\\new"}, {"trailing", "end\\"}};
  // A longer temporary file, left by a save cut short, is written over, not into.
  writeText(file.string() + ".tmp", std::string(1000, 'x') + "\nstale \"1\"\n");
  std::string error;
  ASSERT_TRUE(host::writeConfig(file, host::mergeValues({}, values), error)) << error;
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
            "good \"2\"\n"  // a name repeated: the later line wins
            "esc\x1b \"x\"\n" +
                std::string("nul \"a\0b\"\n", 10));
  host::ConfigContents read = host::readConfig(file);
  EXPECT_EQ(read.values,
            (std::map<std::string, std::string>{{"good", "2"}, {"also_good", "two words"}}));
  EXPECT_EQ(read.lineOf, (std::map<std::string, int>{{"good", 10}, {"also_good", 7}}));
  EXPECT_EQ(read.damaged, (std::set<std::string>{"noquotes", "open", "trailing", "lonely", "nul"}));
  ASSERT_EQ(read.problems.size(), 7u);
  EXPECT_EQ(read.problems[0],
            file.string() + ":4: not a `name \"value\"` line; skipped, and kept as it is");
  EXPECT_TRUE(host::readConfig(folder.path() / "missing.cfg").values.empty());
  std::filesystem::create_directory(folder.path() / "folder.cfg");
  EXPECT_EQ(host::readConfig(folder.path() / "folder.cfg").problems,
            std::vector<std::string>{(folder.path() / "folder.cfg").string() +
                                     ": is not a file; the settings start from their defaults"});
}

TEST(ConfigFile, SavingKeepsTheUsersLinesAndWritesEachValueInItsPlace) {
  const struct {
    const char* asRead;
    std::map<std::string, std::string> values;
    const char* written;
  } cases[] = {
      {"",
       {{"b", "2"}, {"a", "1"}},
       "// rankwatch-host settings, written on exit and by writeconfig\na \"1\"\nb \"2\"\n"},
      {"// mine\nb   \"old\"  \n\nopacity \"0.5\n",
       {{"b", "new"}, {"a", "1"}},
       "// mine\nb \"new\"\n\nopacity \"0.5\na \"1\"\n"},
      // A name left out of the values (its saved value was refused) keeps its line.
      {"enabled \"junk\"\nscale \"2\"\n", {{"scale", "3"}}, "enabled \"junk\"\nscale \"3\"\n"},
      {"x \"1\"\r\nx \"2\"\n", {{"x", "3"}}, "x \"3\"\nx \"3\"\n"},
      // A name that would not read back is not written.
      {"",
       {{"a b", "1"}, {"q\"", "2"}, {"ok", "3"}},
       "// rankwatch-host settings, written on exit and by writeconfig\nok \"3\"\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> asRead;
    std::istringstream in(c.asRead);
    for (std::string line; std::getline(in, line);) asRead.push_back(line);
    std::string written;
    for (const std::string& line : host::mergeValues(asRead, c.values)) written += line + "\n";
    EXPECT_EQ(written, c.written) << c.asRead;
  }
}

TEST(ConfigFile, AConfigFolderMustBeAFolderWithRoomForTheFile) {
  TempFolder folder;
  writeText(folder.path() / "plain", "");
  std::filesystem::create_directories(folder.path() / "taken" / "config.cfg");
  std::filesystem::create_directories(folder.path() / "placed" / "gui.ini");
  const struct {
    std::filesystem::path folder;
    std::string error;
  } cases[] = {
      {folder.path() / "new" / "inner", ""},
      {folder.path() / "plain", (folder.path() / "plain").string() +
                                    ": is not a folder; name a folder to keep the settings in"},
      {folder.path() / "taken", (folder.path() / "taken" / "config.cfg").string() +
                                    ": is not a file; move it away to keep the settings there"},
      {folder.path() / "placed",
       (folder.path() / "placed" / "gui.ini").string() +
           ": is not a file; move it away to keep the window places there"},
      // Folders that cannot be made say why.
      {folder.path() / "plain" / "sub",
       (folder.path() / "plain" / "sub").string() + ": cannot make the folder: Not a directory"},
      {"/proc/rankwatch-settings",
       "/proc/rankwatch-settings: cannot make the folder: No such file or directory"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(host::prepareConfigFolder(c.folder, error), c.error.empty()) << c.folder;
    EXPECT_EQ(error, c.error);
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "new" / "inner"));
}

TEST(ConfigFile, AFailedSaveLeavesThePreviousFileWhole) {
  TempFolder folder;
  const auto file = host::configFile(folder.path());
  std::string error;
  ASSERT_TRUE(host::writeConfig(file, {"kept \"1\""}, error));
  const std::string before = readText(file);
  // The temporary file's name is taken by a folder, so the save cannot write it.
  std::filesystem::create_directory(file.string() + ".tmp");
  EXPECT_FALSE(host::writeConfig(file, {"kept \"2\""}, error));
  EXPECT_NE(error.find("cannot write"), std::string::npos);
  EXPECT_EQ(readText(file), before);
}

TEST(ConfigFile, TheHostSavesOnExitAndStartsFromTheSavedValues) {
  TempFolder folder;
  writeText(host::configFile(folder.path()),
            "rankwatch_scale \"2\"\nbroken\n// my comment\nrankwatch_opacity \"0.5\n");
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
  // The damaged lines and the comment are written back; opacity, never read, stays unsaved.
  EXPECT_EQ(readText(host::configFile(folder.path())),
            "rankwatch_scale \"3\"\nbroken\n// my comment\nrankwatch_opacity \"0.5\n");
  host::Host second(output, clock, ratings, folder.path());
  EXPECT_EQ(second.console()
                .registerVariable({"rankwatch_scale", "1", "", true, true, 1.0f, true, 3.0f, true})
                ->value,
            "3");
}

TEST(ConfigFile, AFaultyFileLosesNoSettingAndNoSaveLeavesItHalfWritten) {
  namespace fs = std::filesystem;
  const struct {
    const char* fault;
    std::function<void(const fs::path& file)> make;
    std::string startError;  // after the file's name
    std::string saveError;   // after "error: writeconfig: ", with <file> for the file's name
    std::string kept;        // how the file begins once saved
  } cases[] = {
      {"cut short in a line",
       [](const fs::path& file) { writeText(file, "rankwatch_round \"1\"\nrankwatch_scale \"2"); },
       ":2: not a `name \"value\"` line; skipped, and kept as it is", "",
       "rankwatch_round \"1\"\nrankwatch_scale \"2\n"},
      {"garbage",
       [](const fs::path& file) {
         writeText(file, std::string("\xff\xfe\0\x01 \"\"\"\n\x7f\x80\n", 12));
       },
       ":1: not a `name \"value\"` line; skipped, and kept as it is", "",
       std::string("\xff\xfe\0\x01 \"\"\"\n\x7f\x80\n", 12)},
      {"a folder", [](const fs::path& file) { fs::create_directory(file); },
       ": is not a file; the settings start from their defaults",
       "cannot write <file>: Is a directory", "// rankwatch-host settings"},
      {"on a full disk",
       [](const fs::path& file) {
         writeText(file, "rankwatch_scale \"2\"\n");
         fs::create_symlink("/dev/full", file.string() + ".tmp");
       },
       "", "cannot write <file>: No space left on device", "rankwatch_scale \"2.5\"\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    TempFolder folder;
    const fs::path file = host::configFile(folder.path());
    c.make(file);
    const std::string before = fs::is_regular_file(file) ? readText(file) : "";
    {
      std::ostringstream stream;
      host::Output output(stream);
      host::Clock clock(host::Clock::Mode::Virtual);
      host::RatingService ratings(clock);
      host::Host host(output, clock, ratings, folder.path());
      host.plugins().adopt("rankwatch", std::make_shared<rankwatch>());
      EXPECT_EQ(stream.str().find("error: " + file.string() + c.startError) == 0,
                !c.startError.empty())
          << stream.str();
      host.console().execute("rankwatch_scale 2.5");
      stream.str("");
      host.console().execute("writeconfig");
      std::string saveError = c.saveError;
      if (!saveError.empty()) saveError.replace(saveError.find("<file>"), 6, file.string());
      EXPECT_EQ(stream.str(), saveError.empty() ? "" : "error: writeconfig: " + saveError + "\n");
      EXPECT_FALSE(fs::exists(file.string() + ".tmp")) << "a half-written file left behind";
      if (!saveError.empty()) {
        EXPECT_EQ(fs::is_regular_file(file) ? readText(file) : "", before);
        // The fault mended, the settings in memory are saved whole.
        if (fs::is_directory(file)) fs::remove(file);
        EXPECT_EQ(host.console().find("rankwatch_scale")->value, "2.5");
        host.console().execute("writeconfig");
        EXPECT_EQ(stream.str(), "error: writeconfig: " + saveError + "\n");
      }
    }
    // The user's own lines stay, damaged ones included.
    EXPECT_EQ(host::readConfig(file).values.at("rankwatch_scale"), "2.5");
    const std::string after = readText(file);
    EXPECT_EQ(after.compare(0, c.kept.size(), c.kept), 0) << after;
  }
}
