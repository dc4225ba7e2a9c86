// The tests' stand-in host and its helpers: waiting for a condition, a fresh folder, a host
// with the plugin loaded.

#include "harness.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "web_lookup.h"
#include "workers.h"

namespace testing_support {

bool until(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

bool Harness::settled(long requests) {
  return until([&] {
    wait(0.001);
    return host->web().requestsSent() >= requests && host->web().requestCallsUnderWay() == 0 &&
           host->http().inFlight() == 0;
  });
}

void withoutNewThreads(const std::function<void()>& work) {
  pthread_attr_t saved;
  pthread_attr_t huge;
  if (pthread_getattr_default_np(&saved) != 0 || pthread_attr_init(&huge) != 0 ||
      pthread_attr_setstacksize(&huge, std::size_t(1) << 47) != 0 ||
      pthread_setattr_default_np(&huge) != 0) {
    ADD_FAILURE() << "the threads' default stack size could not be set";
    return;
  }
  work();
  pthread_setattr_default_np(&saved);
  pthread_attr_destroy(&huge);
  pthread_attr_destroy(&saved);
}

TempFolder::TempFolder() {
  std::random_device random;
  auto base = std::filesystem::temp_directory_path();
  do {
    path_ = base / ("rankwatch-test-" + std::to_string(random()) + std::to_string(random()));
  } while (!std::filesystem::create_directory(path_));
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

Harness::Harness() {
  host = std::make_unique<host::Host>(output, clock, ratings, folder.path());
  host->web().setStatsUrl("http://127.0.0.1:0");  // nothing listens on port 0
}

host::StatsService& Harness::serveStats() {
  std::string error;
  if (!stats.start(error)) ADD_FAILURE() << error;
  stats.setPlayer(ratings.player());
  host->web().setStatsUrl(stats.base());
  return stats;
}

Harness::~Harness() {
  // The plugin's code lives in this program, so the host cannot tell its requests from its
  // own: its lookup workers must be done before the host they send to goes away.
  workers::awaitAll(std::chrono::minutes(1));
  host.reset();
}

void Harness::notify(const std::string& text) {
  UniqueIDWrapper id;
  std::string tooLarge;
  if (!host::readIdentity(OnlinePlatform_Steam, text, id, tooLarge)) ADD_FAILURE() << tooLarge;
  ratings.notify(host->calls(), id);
}

std::vector<std::string> Harness::lines() {
  std::string text;
  {
    auto still = output.hold();
    text = stream.str();
  }
  std::vector<std::string> out;
  std::istringstream in(text.substr(consumed_));
  consumed_ = text.size();
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::vector<std::string> Harness::traced(const std::string& call) {
  std::vector<std::string> found;
  for (const std::string& line : lines()) {
    if (line.rfind("trace: ", 0) == 0 && line.find(call) != std::string::npos) {
      found.push_back(line.substr(7));
    }
  }
  return found;
}

long Harness::calls() {
  long made = host->callsMade();
  host->resetCalls();
  return made;
}

}  // namespace testing_support
