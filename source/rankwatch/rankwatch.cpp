// Construction and destruction of the plugin object. Every shared value starts empty; onLoad
// creates them. Members are destroyed in reverse declaration order, so the notification token
// ends its registration (if onUnload has not) after the tally cells and before the settings.

#include "rankwatch.h"

#include "lifeline.h"
#include "names.h"

const char names::kMainSource[] = __FILE__;

rankwatch::rankwatch() : windowOpen(false), menuTitle(names::kDisplayName) {}

rankwatch::~rankwatch() {
  lifeline::revoke(this);
}
