#pragma once

// Everything the host tells its user goes through here, one line at a time.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>

namespace host {

class Output {
 public:
  explicit Output(std::ostream& stream) : stream_(stream) {}

  // A line a scenario's `expect` can check.
  void line(const std::string& text);
  // "error: <message>".
  void error(const std::string& message) { line("error: " + message); }
  // "note: <message>": input taken, but not quite as given.
  void note(const std::string& message) { line("note: " + message); }
  // "trace: <text>", only when tracing; never what `expect` checks. Safe from any thread.
  void trace(const std::string& text);

  bool tracing() const { return tracing_; }
  void setTracing(bool on) { tracing_ = on; }
  std::string lastLine() const;

 private:
  std::ostream& stream_;
  mutable std::mutex mutex_;
  std::string last_;
  std::atomic<bool> tracing_{false};
};

}  // namespace host
