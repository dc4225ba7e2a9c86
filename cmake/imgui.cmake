# The GUI library, imgui 1.86, compiled on both systems from Debian's source package at the
# installed libimgui-dev's version (RANKWATCH_IMGUI_SOURCE names unpacked sources instead), with
# the library's item hooks on: each copy of it, the host's and each plugin's, tells the host of
# the labelled items it draws (source/gui_hooks/item_hooks.h).
#
#   imgui           the core and the hooks (PkgConfig::IMGUI)
#   imgui_backends  on Linux, the host's OpenGL 3 and GLFW backends

set(RANKWATCH_IMGUI_SOURCE "" CACHE PATH "An unpacked imgui 1.86 source folder")
if(NOT RANKWATCH_IMGUI_SOURCE)
  rankwatch_debian_source(imgui libimgui-dev RANKWATCH_IMGUI_SOURCE)
endif()
if(NOT EXISTS "${RANKWATCH_IMGUI_SOURCE}/imgui.cpp")
  message(FATAL_ERROR "${RANKWATCH_IMGUI_SOURCE}/imgui.cpp is missing")
endif()
message(STATUS "imgui: ${RANKWATCH_IMGUI_SOURCE}")

add_library(imgui STATIC
  ${RANKWATCH_IMGUI_SOURCE}/imgui.cpp
  ${RANKWATCH_IMGUI_SOURCE}/imgui_draw.cpp
  ${RANKWATCH_IMGUI_SOURCE}/imgui_tables.cpp
  ${RANKWATCH_IMGUI_SOURCE}/imgui_widgets.cpp
  ${PROJECT_SOURCE_DIR}/source/gui_hooks/item_hooks.cpp
)
target_include_directories(imgui SYSTEM PUBLIC ${RANKWATCH_IMGUI_SOURCE})
target_include_directories(imgui PUBLIC ${PROJECT_SOURCE_DIR}/source/gui_hooks)
target_compile_definitions(imgui PRIVATE IMGUI_ENABLE_TEST_ENGINE)
# Debian builds it with stb's own font rasteriser and rectangle packer (libstb-dev) instead of
# the copies imgui carries; so do we, for the same glyphs. The cross compiler gets copies of the
# two headers: /usr/include as a whole must not meet it.
if(EXISTS /usr/include/stb/stb_truetype.h AND EXISTS /usr/include/stb/stb_rect_pack.h)
  if(WIN32)
    rankwatch_copy_headers("${CMAKE_BINARY_DIR}/debian-stb" stb/stb_truetype.h
      stb/stb_rect_pack.h)
    target_include_directories(imgui SYSTEM PRIVATE "${CMAKE_BINARY_DIR}/debian-stb")
  endif()
  target_compile_definitions(imgui PRIVATE
    "IMGUI_STB_RECT_PACK_FILENAME=<stb/stb_rect_pack.h>"
    "IMGUI_STB_TRUETYPE_FILENAME=<stb/stb_truetype.h>")
endif()
add_library(PkgConfig::IMGUI ALIAS imgui)
set(IMGUI_INCLUDE_DIRS ${RANKWATCH_IMGUI_SOURCE})

if(NOT WIN32)
  add_library(imgui_backends STATIC
    ${RANKWATCH_IMGUI_SOURCE}/backends/imgui_impl_glfw.cpp
    ${RANKWATCH_IMGUI_SOURCE}/backends/imgui_impl_opengl3.cpp
  )
  target_link_libraries(imgui_backends PUBLIC imgui PkgConfig::HOST_GRAPHICS ${CMAKE_DL_LIBS})
  # Its OpenGL loader fills its 53-entry array of functions from 54 names, past the array but
  # inside the union that holds it, as Debian's build of it does too: no bounds check there.
  set_source_files_properties(${RANKWATCH_IMGUI_SOURCE}/backends/imgui_impl_opengl3.cpp
    PROPERTIES COMPILE_OPTIONS -fno-sanitize=bounds)
endif()
