#pragma once

// The web profile lookup: made on the game thread by refreshMmr, run on a worker thread.

#include <string>

#include "lifeline.h"

class rankwatch;

struct WebLookupJob {
  rankwatch* plugin;  // not owning
  lifeline::Ticket alive;
  std::string playerId;
  std::string platform;  // "steam" or "epic"
  // Taken on the game thread when the job is made: the worker must not read the plugin's cell.
  int trackedPlaylist;
};

// The platform word the web stats service uses in its paths.
const char* platformWord(int onlinePlatform);

// Runs fetchWebMmr on a worker thread of its own and returns at once. Throws
// std::system_error when no thread can be started.
void startWebLookup(WebLookupJob job);

// The whole body of a worker thread.
void fetchWebMmr(WebLookupJob job);
