// The mouse statements: a player's mouse on the screen, each step in a frame of its own, as the
// GUI sees a hand on the mouse. What the frames hand to the game thread runs after each.

#include "script/scenario.h"
#include "script/statements.h"

namespace host {

namespace {

constexpr int kMostSteps = 100;

}  // namespace

Session::Result Session::mouse(const Call& call) {
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
