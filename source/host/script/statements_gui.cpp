// The statements about the GUI: drawing frames, looking at and resizing windows, pictures of
// the screen, and a player's mouse.

#include <algorithm>
#include <cctype>

#include "script/named_files.h"
#include "script/session.h"
#include "script/statements.h"

namespace host {

namespace {

// The GUI reads a title up to a zero byte; any control character in one is a mistake.
bool isTitle(const std::string& text) {
  return std::none_of(text.begin(), text.end(),
                      [](unsigned char c) { return c < 0x20 || c == 0x7f; });
}

constexpr char kNoTitle[] = "a window title: it holds a control character";

}  // namespace

Session::Result Session::frame(const Call&) {
  Host& current = host();
  current.game().pass(0);
  std::string text;
  for (const std::string& line : current.frame()) text += (text.empty() ? "" : " | ") + line;
  output_.line("frame: " + (text.empty() ? std::string("-") : text));
  if (text.empty() && current.plugins().names().empty()) {
    hint("no plugin", "no plugin is loaded: \"load\" loads it");
  } else if (text.empty() && current.gui().menus(true).empty()) {
    std::string menus;
    for (const std::string& menu : current.gui().menus()) menus += " " + menu;
    hint("no window",
         "no plugin window is open; \"console openmenu <menu>\" opens one (menus:" + menus + ")");
  }
  return Result::Ok;
}

Session::Result Session::render(const Call& call) {
  constexpr int kMostFramesASecond = 1000;
  const std::string& rate = call.args[0];
  int perSecond = 0;
  if (rate != "off" && !readNumber(rate, perSecond)) return misused(call);
  if (rate != "off" && (perSecond < 1 || perSecond > kMostFramesASecond)) {
    return bad(call, isNot(rate, "a number of frames a second from 1 to " +
                                     std::to_string(kMostFramesASecond)));
  }
  renderRate_ = perSecond;
  host().gui().setRate(renderRate_);
  return Result::Ok;
}

Session::Result Session::window(const Call& call) {
  if (!isTitle(call.rest)) return bad(call, isNot(call.rest, kNoTitle));
  std::string text, error;
  if (host().gui().describe(call.rest, text, error)) {
    output_.line(text);
  } else {
    output_.error("window: " + error);
  }
  return Result::Ok;
}

Session::Result Session::resize(const Call& call) {
  int size[2] = {0, 0};
  const int most[2] = {Gui::kScreenWidth, Gui::kScreenHeight};
  const char* what[2] = {"width", "height"};
  for (int i = 0; i < 2; ++i) {
    const std::string& number = call.args[call.args.size() - 2 + i];
    if (!readNumber(number, size[i]) || size[i] < 1 || size[i] > most[i]) {
      return bad(call, isNot(number, std::string("a ") + what[i] + " from 1 to " +
                                         std::to_string(most[i])));
    }
  }
  // The title is the line less its last two words, blanks inside it kept (none end the line).
  std::string title = call.rest;
  for (int i = 0; i < 2; ++i) {
    title.erase(title.find_last_of(" \t") + 1);
    title.erase(title.find_last_not_of(" \t") + 1);
  }
  if (!isTitle(title)) return bad(call, isNot(title, kNoTitle));
  std::string error;
  if (!host().gui().resize(title, size[0], size[1], error)) output_.error("resize: " + error);
  return Result::Ok;
}

// A page or a window that is not there leaves the mouse statements after it nothing to work.
Session::Result Session::settings(const Call& call) {
  std::string error;
  if (call.args[0] == "off") {
    host().gui().closeSettings();
  } else if (!host().gui().showSettings(call.args[0], error)) {
    return refused(call.where, "settings: " + error);
  }
  return Result::Ok;
}

Session::Result Session::items(const Call& call) {
  if (!isTitle(call.rest)) return bad(call, isNot(call.rest, kNoTitle));
  std::vector<std::string> lines;
  std::string error;
  if (!host().gui().items(call.rest, lines, error)) return refused(call.where, "items: " + error);
  if (lines.empty()) output_.line("items: none");
  for (const std::string& line : lines) output_.line(line);
  return Result::Ok;
}

Session::Result Session::screenshot(const Call& call) {
  const std::vector<std::string>& args = call.args;
  if (args.size() != 1 && args.size() != 5) return misused(call);
  std::string extension = std::filesystem::path(args[0]).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension != ".png") {
    return bad(call, "screenshot writes PNG pictures: name a .png file, not " + inQuotes(args[0]));
  }
  std::optional<Region> part;
  if (args.size() == 5) {
    int number[4] = {};
    for (int i = 0; i < 4; ++i) {
      if (!readNumber(args[i + 1], number[i])) {
        return bad(call, isNot(args[i + 1], "a number of pixels"));
      }
    }
    part = Region{number[0], number[1], number[2], number[3]};
    if (part->x < 0 || part->y < 0 || part->width < 1 || part->height < 1 ||
        part->width > Gui::kScreenWidth - part->x || part->height > Gui::kScreenHeight - part->y) {
      return bad(call, "the part " + args[1] + " " + args[2] + " " + args[3] + " " + args[4] +
                           " is not within the " + std::to_string(Gui::kScreenWidth) + " by " +
                           std::to_string(Gui::kScreenHeight) + " screen");
    }
  }
  std::string error;
  if (!host().gui().screenshot(named(scenarioFolder_, args[0]).string(), part, error)) {
    output_.error(call.where + ": screenshot: " + error);
    picturesFailed_ = true;
  }
  return Result::Ok;
}

// Each step of the mouse in a frame of its own, as the GUI sees a hand on it; what the frames
// hand to the game thread runs after each.
Session::Result Session::mouse(const Call& call) {
  constexpr int kMostSteps = 100;
  const std::string& name = call.statement.name;
  const bool isWheel = name == "wheel";
  const size_t places = isWheel ? 2 : call.args.size();
  float at[4] = {};
  const int most[2] = {Gui::kScreenWidth - 1, Gui::kScreenHeight - 1};
  for (size_t i = 0; i < places; ++i) {
    int number = 0;
    if (!readNumber(call.args[i], number) || number < 0 || number > most[i % 2]) {
      return bad(call, isNot(call.args[i], std::string(i % 2 ? "a y" : "an x") + " from 0 to " +
                                               std::to_string(most[i % 2])));
    }
    at[i] = static_cast<float>(number);
  }
  int steps = 0;
  if (isWheel && (!readNumber(call.args[2], steps, true) || steps == 0 || steps < -kMostSteps ||
                  steps > kMostSteps)) {
    return bad(call, isNot(call.args[2], "a number of steps from -" + std::to_string(kMostSteps) +
                                             " to " + std::to_string(kMostSteps) + ", not 0"));
  }

  Host& current = host();
  const auto step = [&](float x, float y, bool down, float wheel = 0.0f) {
    current.gui().setMouse(Gui::Mouse{x, y, down, wheel});
    current.game().pass(0);
    current.frame();
  };
  if (name == "click") {
    step(at[0], at[1], true);
    step(at[0], at[1], false);
  } else if (name == "press" || name == "release") {
    step(at[0], at[1], name == "press");
  } else if (name == "drag") {
    step(at[0], at[1], true);
    step(at[2], at[3], true);
    step(at[2], at[3], false);
  } else {
    step(at[0], at[1], false, static_cast<float>(steps));
  }
  return Result::Ok;
}

}  // namespace host
