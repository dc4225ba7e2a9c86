#pragma once

// The GUI library's item hooks, as our builds of it define them: every copy of the library (the
// host's, each plugin's) hands each labelled item it draws to the table the context's owner put
// in the context's TestEngine field, so the host learns of items a plugin's copy drew too.

#include <imgui.h>

struct ImGuiItemHooks {
  // Called as the item's label is known, with the item the context's last.
  void (*itemInfo)(void* user, ImGuiContext* context, const char* label);
  void* user;
};
