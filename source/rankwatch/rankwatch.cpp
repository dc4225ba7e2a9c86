// Construction and destruction of the plugin object. Every shared value starts empty; onLoad
// creates them. Members are destroyed in reverse declaration order, so the notification token
// ends its registration (if onUnload has not) after the tally cells and before the settings.

#include "rankwatch.h"

#include "lifeline.h"
#include "names.h"
#include "workers.h"

const char names::kMainSource[] = __FILE__;

rankwatch::rankwatch() : windowOpen(false), menuTitle(names::kDisplayName) {}

rankwatch::~rankwatch() {
  // A host that lets go of the object without onUnload: its callbacks end here. The loader is
  // told the object has ended by its owner (module.cpp), after this.
  if (std::shared_ptr<lifeline::Line> line = this->line()) line->cut();
  workers::letGo();
}

std::shared_ptr<lifeline::Line> rankwatch::line() const {
  return std::atomic_load(&line_);
}
