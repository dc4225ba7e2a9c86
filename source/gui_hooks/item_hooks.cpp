// The hook functions the GUI library calls when built with IMGUI_ENABLE_TEST_ENGINE, compiled
// into each copy of it: they forward to the table in the context (item_hooks.h), if any.

#include "item_hooks.h"

#include <imgui_internal.h>

void ImGuiTestEngineHook_ItemAdd(ImGuiContext*, const ImRect&, ImGuiID) {}

void ImGuiTestEngineHook_ItemInfo(ImGuiContext* context, ImGuiID, const char* label,
                                  ImGuiItemStatusFlags) {
  if (const auto* hooks = static_cast<const ImGuiItemHooks*>(context->TestEngine)) {
    hooks->itemInfo(hooks->user, context, label);
  }
}

void ImGuiTestEngineHook_Log(ImGuiContext*, const char*, ...) {}

const char* ImGuiTestEngine_FindItemDebugLabel(ImGuiContext*, ImGuiID) {
  return nullptr;
}
