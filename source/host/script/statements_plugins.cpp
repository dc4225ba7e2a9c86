// The statements about plugins: loading and unloading them, the console they are driven
// through, and the SDK calls they make.

#include "script/session.h"
#include "script/statements.h"

namespace host {

Session::Result Session::load(const Call& call) {
  PluginThread thread = PluginThread::Record;
  if (!call.args.empty()) {
    const std::optional<PluginThread> named = threadNamed(call.args[0]);
    if (!named) return bad(call, isNot(call.args[0], "on-own-thread or on-game-thread"));
    thread = *named;
  }
  loadedOnce_ = true;
  std::string error;
  const std::string path =
      (options_.pluginFolder / (std::string("rankwatch") + kLibrarySuffix)).string();
  if (!host().plugins().load(path, error, thread)) return refused(call.where, error);
  hint("loaded",
       "the plugin is loaded; \"console cvarlist\" lists its settings, \"console cmdlist\" its "
       "commands");
  return Result::Ok;
}

Session::Result Session::unload(const Call& call) {
  PluginThread thread = PluginThread::Record;
  const std::optional<Unload> how = unloadNamed(call.args, &thread);
  if (!how) {
    return bad(call, inQuotes(call.rest) +
                         " is no way to unload: without-release, keeping, holder-only, "
                         "on-own-thread or on-game-thread, each once, or nothing");
  }
  std::string error;
  if (!host().plugins().unload("rankwatch", error, *how, thread)) {
    return refused(call.where, error);
  }
  return Result::Ok;
}

Session::Result Session::executeWaits(const Call& call) {
  if (call.args[0] != "on" && call.args[0] != "off") return misused(call);
  options_.executeWaits = call.args[0] == "on";
  host().setExecuteWaits(options_.executeWaits);
  return Result::Ok;
}

Session::Result Session::restart(const Call& call) {
  dropHost();         // unloads and saves
  return load(call);  // takes no words: as the record says
}

Session::Result Session::console(const Call& call) {
  host().console().execute(call.rest);
  return Result::Ok;
}

Session::Result Session::calls(const Call&) {
  output_.line("calls: " + std::to_string(host().callsMade()));
  host().resetCalls();
  return Result::Ok;
}

Session::Result Session::trace(const Call& call) {
  if (call.args[0] != "on" && call.args[0] != "off") return misused(call);
  output_.setTracing(call.args[0] == "on");
  return Result::Ok;
}

}  // namespace host
