#pragma once

// Everything the host tells its user goes through here, one line at a time. A line shows its
// control characters and the bytes that are not valid UTF-8 as \xNN, and at most about a
// thousand bytes; `expect` compares the whole.

#include <atomic>
#include <mutex>
#include <ostream>
#include <string>

#include "clock.h"

namespace host {

class Output {
 public:
  explicit Output(std::ostream& stream) : stream_(stream) {}

  // The stream is a terminal a person reads: a line printed at the prompt clears the prompt's
  // line first, and what the person had typed on it, which would otherwise trail the line.
  void setTerminal(bool terminal) { terminal_ = terminal; }

  // A line a scenario's `expect` can check.
  void line(const std::string& text);
  void error(const std::string& message) { line("error: " + message); }
  // "note: <message>": input taken, but not quite as given.
  void note(const std::string& message) { line("note: " + message); }
  // "trace: <text>", only when tracing; never what `expect` checks. Safe from any thread.
  void trace(const std::string& text);
  // The same, stamped with the clock's time; `text()` is made only when tracing.
  template <typename Text>
  void trace(const Clock& clock, const Text& text) {
    if (tracing()) trace(Clock::format(clock.now()) + " " + text());
  }
  // "hint: <text>": guidance for a person; never what `expect` checks.
  void hint(const std::string& text);

  // Shows `text` without a line break. A line printed while it shows takes its place, and
  // the prompt shows again after it; a line the user entered ends it (promptAnswered, from any
  // thread, as the line arrives).
  void prompt(const std::string& text);
  void promptAnswered();
  // Ends the prompt's line, if one shows, for the host's last words.
  void endPrompt();

  // Holds the output still while the returned lock lives, for a reader of the stream on
  // another thread: traces and replies are written from the host's other threads too.
  std::unique_lock<std::mutex> hold() const { return std::unique_lock<std::mutex>(mutex_); }

  bool tracing() const { return tracing_; }
  void setTracing(bool on) { tracing_ = on; }
  std::string lastLine() const;

 private:
  std::ostream& stream_;
  mutable std::mutex mutex_;
  void write(const std::string& text);

  std::string last_;
  std::string prompt_;  // showing now; empty when none
  std::atomic<bool> tracing_{false};
  bool terminal_ = false;
};

// A word of the user's, or a name, as a line quotes it: in double quotes, cut short past 60
// bytes ("abc..." (900 bytes)), so that a mistake of megabytes reads as one.
std::string inQuotes(const std::string& text);

}  // namespace host
