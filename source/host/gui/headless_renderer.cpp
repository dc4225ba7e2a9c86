// Drawing frames without a display, through EGL's off-screen OpenGL.

#include "gui/headless_renderer.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <backends/imgui_impl_opengl3.h>

#include <cassert>
#include <cstdio>

namespace host {

namespace {

std::string eglCode(EGLint code) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%04X", static_cast<unsigned>(code));
  return text;
}

std::string eglFailure(const char* what) {
  return std::string("EGL: ") + what + " (error " + eglCode(eglGetError()) + ")";
}

// Surfaceless needs neither a GPU nor a window system; the device platform
// covers drivers that lack it.
EGLDisplay openDisplay(std::string& error) {
  EGLDisplay display =
      eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) return display;
  const EGLint surfacelessError = eglGetError();

  auto queryDevices =
      reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
  EGLDeviceEXT devices[8];
  EGLint count = 0;
  if (queryDevices == nullptr || !queryDevices(8, devices, &count)) count = 0;
  for (EGLint i = 0; i < count; ++i) {
    display = eglGetPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
    if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) return display;
  }
  error = "EGL: no off-screen display (surfaceless platform error " + eglCode(surfacelessError) +
          "; device platform: " + std::to_string(count) + " devices, none usable)";
  return EGL_NO_DISPLAY;
}

}  // namespace

std::unique_ptr<HeadlessRenderer> HeadlessRenderer::create(int width, int height,
                                                           std::string& error) {
  assert(width > 0 && height > 0);
  assert(ImGui::GetCurrentContext() != nullptr);
  std::unique_ptr<HeadlessRenderer> renderer(new HeadlessRenderer);
  renderer->imgui_ = ImGui::GetCurrentContext();

  // Displays are never terminated: EGL shares one per platform, and
  // terminating it would break every other renderer's context.
  renderer->display_ = openDisplay(error);
  if (renderer->display_ == EGL_NO_DISPLAY) return nullptr;
  // clang-format off
  static const EGLint attributes[] = {
      EGL_CONTEXT_MAJOR_VERSION, 3,
      EGL_CONTEXT_MINOR_VERSION, 3,
      EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
      EGL_NONE};
  // clang-format on
  if (eglBindAPI(EGL_OPENGL_API))
    renderer->context_ =
        eglCreateContext(renderer->display_, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
  if (renderer->context_ == EGL_NO_CONTEXT) {
    error = eglFailure("cannot create an OpenGL 3.3 core context without a surface");
    return nullptr;
  }
  if (!renderer->makeCurrent(error) || !renderer->frame_.create(width, height, error))
    return nullptr;

  // The backend loads GL from libGL.so.1; glvnd routes those calls to
  // whichever context is current, EGL ones included.
  if (!ImGui_ImplOpenGL3_Init("#version 330 core")) {
    error = "ImGui OpenGL3 backend could not load OpenGL through libGL.so.1";
    return nullptr;
  }
  renderer->backend_ = true;
  ImGui_ImplOpenGL3_NewFrame();  // builds the font texture and sets io.Fonts->TexID
  renderer->release();
  return renderer;
}

HeadlessRenderer::~HeadlessRenderer() {
  if (context_ == nullptr) return;
  std::string ignored;
  makeCurrent(ignored);
  if (backend_) {
    assert(ImGui::GetCurrentContext() == imgui_);
    ImGui_ImplOpenGL3_Shutdown();
  }
  frame_.destroy();
  release();
  eglDestroyContext(display_, context_);
}

bool HeadlessRenderer::render(ImDrawData* data, Image& out, std::string& error) {
  assert(data != nullptr);
  assert(ImGui::GetCurrentContext() == imgui_);
  if (!makeCurrent(error)) return false;
  frame_.draw(data, clear_);
  const bool ok = frame_.read(out, error);
  release();
  return ok;
}

bool HeadlessRenderer::makeCurrent(std::string& error) {
  if (eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_)) return true;
  error = eglFailure("cannot make the off-screen context current");
  return false;
}

// Left current, an EGL context makes glvnd abort a GLX make-current on this thread.
void HeadlessRenderer::release() {
  eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

}  // namespace host
