// The GUI's window places file: what the GUI would pass over without a word is reported.

#include "gui/gui_ini.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "harness.h"
#include "host.h"

using namespace std::string_literals;

TEST(GuiIni, LinesTheGuiWouldPassOverAreReportedWithFileAndLine) {
  const struct {
    std::string text;
    std::vector<std::pair<int, bool>> damaged;  // line number, and whether the GUI takes its start
  } cases[] = {
      {"", {}},
      {"; a comment\n[Window][Rankwatch]\nPos=60,60\nSize=93,80\nCollapsed=0\n\n"
       "[Window][Debug##Default]\r\nPos=-5,+7\r\n",
       {}},
      // Tables belong to the GUI library; their lines are its business.
      {"[Table][0x1234,4]\nRefScale=13\nColumn 0  Width=100\n", {}},
      {"Pos=60,60\n[Window][Rankwatch]\nPos=sixty,60\nSize=93\nsize=93,80\n[Window]\n"
       "[Window][A]\nCollapsed=\n",
       {{1, false}, {3, false}, {4, false}, {5, false}, {6, false}, {8, false}}},
      // The library reads the numbers and stops, so what follows them is dropped, not the line.
      {"[Dock][Rankwatch]\nPos=1,2\n[Window][A]\nPos=1,2\0junk\nPos=1\0,2\n"s,
       {{1, false}, {2, false}, {4, true}, {5, false}}},
      {"[Window][A]\nPos=1,2junk\nCollapsed=1x\nPos=1,2\n", {{2, true}, {3, true}}},
      {"\x1b[2J\n[Window][A]\n", {{1, false}}},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.text);
    std::vector<std::string> expected;
    for (const auto& [line, start] : c.damaged) {
      expected.push_back("gui.ini:" + std::to_string(line) +
                         (start ? ": text after the window place; the GUI takes the place and "
                                  "leaves the rest out when it next writes the file"
                                : ": not a window place line; skipped, and left out when the GUI "
                                  "next writes the file"));
    }
    EXPECT_EQ(host::checkGuiIni(in, "gui.ini"), expected) << c.text;
  }

  // The host says so as it starts, as for config.cfg; a missing file is no problem.
  testing_support::TempFolder folder;
  std::ostringstream stream;
  host::Output output(stream);
  host::Clock clock(host::Clock::Mode::Virtual);
  host::RatingService ratings(clock);
  { host::Host fresh(output, clock, ratings, folder.path()); }
  EXPECT_EQ(stream.str(), "");
  std::ofstream(folder.path() / "gui.ini") << "[Window][Rankwatch]\nPos=60\n";
  { host::Host damaged(output, clock, ratings, folder.path()); }
  EXPECT_EQ(stream.str(), "error: " + (folder.path() / "gui.ini").string() +
                              ":2: not a window place line; skipped, and left out when the GUI "
                              "next writes the file\n");
  std::filesystem::remove(folder.path() / "gui.ini");
  std::filesystem::create_directory(folder.path() / "gui.ini");
  stream.str("");
  { host::Host folderInPlace(output, clock, ratings, folder.path()); }
  EXPECT_EQ(stream.str(), "error: " + (folder.path() / "gui.ini").string() +
                              ": is not a file; window places are not kept\n");
}
