// The live window on the display (--window), and its input fed to the GUI.

#include "gui/live_window.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl3.h>

#include <atomic>
#include <cassert>

namespace host {

// No method leaves the context current: glvnd kills the process with an X
// error if GLX is made current over a current EGL context, and refuses EGL
// over GLX, so the headless renderer could not share the thread otherwise.

namespace {

bool g_windowOpen = false;

// The X library ends the process when the connection to the display breaks, unless told
// otherwise: the window's display going away then ends the run as a closed window does, saved.
std::atomic<bool> g_displayLost{false};

int sayNothing(Display*) {
  return 0;  // the run says what happened, in its own words
}

void goOn(Display*, void*) {
  // Returning leaves the connection dead and every later call on it failing, not the process.
  g_displayLost = true;
}

std::string glfwFailure(const char* what) {
  const char* description = nullptr;
  glfwGetError(&description);
  return std::string("GLFW: ") + what + (description ? std::string(": ") + description : "");
}

}  // namespace

bool LiveWindow::available(std::string& error) {
  if (g_windowOpen) return true;
  const bool started = glfwInit() == GLFW_TRUE;
  if (!started) error = glfwFailure("cannot start");
  glfwTerminate();
  return started;
}

std::unique_ptr<LiveWindow> LiveWindow::create(int width, int height, const std::string& title,
                                               std::string& error) {
  assert(width > 0 && height > 0);
  assert(ImGui::GetCurrentContext() != nullptr);
  assert(!g_windowOpen);
  if (!glfwInit()) {
    error = glfwFailure("cannot start");
    return nullptr;
  }
  g_windowOpen = true;
  std::unique_ptr<LiveWindow> window(new LiveWindow);
  window->imgui_ = ImGui::GetCurrentContext();

  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
  glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
  glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
  window->window_ = glfwCreateWindow(width, height, title.c_str(), nullptr, nullptr);
  if (window->window_ == nullptr) {
    error = glfwFailure("cannot open an OpenGL 3.3 core window");
    return nullptr;
  }
  if (Display* display = glfwGetX11Display()) {
    g_displayLost = false;
    XSetIOErrorHandler(sayNothing);
    XSetIOErrorExitHandler(display, goOn, nullptr);
  }
  glfwMakeContextCurrent(window->window_);
  glfwSwapInterval(1);

  int fbWidth = 0, fbHeight = 0;
  glfwGetFramebufferSize(window->window_, &fbWidth, &fbHeight);
  if (!window->frame_.create(fbWidth, fbHeight, error)) return nullptr;
  window->glfwBackend_ = ImGui_ImplGlfw_InitForOpenGL(window->window_, true);
  window->glBackend_ = ImGui_ImplOpenGL3_Init("#version 330 core");
  if (!window->glfwBackend_ || !window->glBackend_) {
    error = "ImGui GLFW/OpenGL3 backends failed to initialise";
    return nullptr;
  }
  ImGui_ImplOpenGL3_NewFrame();  // builds the font texture and sets io.Fonts->TexID
  glfwMakeContextCurrent(nullptr);
  return window;
}

bool LiveWindow::displayLost() {
  return g_displayLost;
}

LiveWindow::~LiveWindow() {
  g_windowOpen = false;
  // A display gone since the last frame is found out here, before anything is asked of it.
  if (lost_.empty() && window_ != nullptr) glfwPollEvents();
  if (!lost_.empty() || g_displayLost) {
    // Nothing more is asked of a dead display, whose connection may stay locked: the window,
    // its backends and GLFW go with the process, which ends without the X library's teardown.
    return;
  }
  if (window_ != nullptr) {
    glfwMakeContextCurrent(window_);
    assert(!(glBackend_ || glfwBackend_) || ImGui::GetCurrentContext() == imgui_);
    if (glBackend_) ImGui_ImplOpenGL3_Shutdown();
    if (glfwBackend_) ImGui_ImplGlfw_Shutdown();
    frame_.destroy();
    glfwDestroyWindow(window_);
  }
  glfwTerminate();
}

bool LiveWindow::beginFrame() {
  assert(ImGui::GetCurrentContext() == imgui_);
  if (!lost_.empty()) return false;
  glfwPollEvents();
  if (g_displayLost) {
    lost_ = "the connection to the display " + std::string(DisplayString(glfwGetX11Display())) +
            " was lost";
    return false;
  }
  if (glfwWindowShouldClose(window_)) return false;
  glfwMakeContextCurrent(window_);
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplGlfw_NewFrame();
  glfwMakeContextCurrent(nullptr);
  return true;
}

void LiveWindow::present(ImDrawData* data) {
  assert(ImGui::GetCurrentContext() == imgui_);
  if (!lost_.empty() || g_displayLost) return;
  glfwMakeContextCurrent(window_);
  frame_.draw(data, ImVec4(0.0f, 0.0f, 0.0f, 1.0f));
  int width = 0, height = 0;
  glfwGetFramebufferSize(window_, &width, &height);
  frame_.blitToWindow(width, height);
  glfwSwapBuffers(window_);
  glfwMakeContextCurrent(nullptr);
  presented_ = true;
}

bool LiveWindow::readPixels(Image& out, std::string& error) {
  assert(presented_);
  if (!lost_.empty()) {
    error = lost_;
    return false;
  }
  glfwMakeContextCurrent(window_);
  const bool ok = frame_.read(out, error);
  glfwMakeContextCurrent(nullptr);
  return ok;
}

}  // namespace host
