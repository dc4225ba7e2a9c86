#include "web_lookup.h"

const char* platformWord(int onlinePlatform) {
  return onlinePlatform == 1 ? "steam" : "epic";
}

void fetchWebMmr(WebLookupJob) {
  // The request to the web stats service is not made yet: the lookup ends here.
}
