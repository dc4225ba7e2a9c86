# The GUI library for Windows, compiled from Debian's own source package of it: the release
# the Linux build links (libimgui-dev), so that the plugin, the host and the Linux build agree
# on the context's layout and on every glyph's size.
#
# RANKWATCH_IMGUI_SOURCE may name an unpacked imgui 1.86 source folder (a developer on
# Windows); otherwise the source package is fetched with `apt-get source` once, into the build
# folder, and reused from then on.

set(RANKWATCH_IMGUI_SOURCE "" CACHE PATH "An unpacked imgui 1.86 source folder")

if(NOT RANKWATCH_IMGUI_SOURCE)
  execute_process(COMMAND dpkg-query -W -f=\${source:Version} libimgui-dev
    OUTPUT_VARIABLE imgui_version RESULT_VARIABLE failed ERROR_QUIET)
  if(failed OR NOT imgui_version MATCHES "^1\\.86")
    message(FATAL_ERROR "The Windows build compiles imgui 1.86 from Debian's source package "
      "and pins the installed libimgui-dev's version, but found \"${imgui_version}\". "
      "Run scripts/setup, or set RANKWATCH_IMGUI_SOURCE to an imgui 1.86 source folder.")
  endif()
  set(fetched "${PROJECT_SOURCE_DIR}/build/imgui-source/${imgui_version}")
  file(GLOB unpacked LIST_DIRECTORIES true "${fetched}/imgui-*")
  if(NOT unpacked)
    message(STATUS "Fetching Debian's source package imgui=${imgui_version}")
    file(MAKE_DIRECTORY "${fetched}")
    execute_process(COMMAND apt-get source -qq --only-source "imgui=${imgui_version}"
      WORKING_DIRECTORY "${fetched}" RESULT_VARIABLE failed
      OUTPUT_VARIABLE said ERROR_VARIABLE said)
    file(GLOB unpacked LIST_DIRECTORIES true "${fetched}/imgui-*")
    if(failed OR NOT unpacked)
      file(REMOVE_RECURSE "${fetched}")
      message(FATAL_ERROR "Cannot fetch Debian's source package imgui=${imgui_version}: "
        "${said}\nscripts/setup adds the deb-src entries it needs.")
    endif()
  endif()
  list(GET unpacked 0 RANKWATCH_IMGUI_SOURCE)
endif()

if(NOT EXISTS "${RANKWATCH_IMGUI_SOURCE}/imgui.cpp")
  message(FATAL_ERROR "${RANKWATCH_IMGUI_SOURCE} holds no imgui.cpp")
endif()
message(STATUS "imgui sources: ${RANKWATCH_IMGUI_SOURCE}")

# Only the core: the plugin and the host draw through nothing else.
add_library(imgui STATIC
  ${RANKWATCH_IMGUI_SOURCE}/imgui.cpp
  ${RANKWATCH_IMGUI_SOURCE}/imgui_draw.cpp
  ${RANKWATCH_IMGUI_SOURCE}/imgui_tables.cpp
  ${RANKWATCH_IMGUI_SOURCE}/imgui_widgets.cpp
)
target_include_directories(imgui SYSTEM PUBLIC ${RANKWATCH_IMGUI_SOURCE})
# Debian builds it with stb's own font rasteriser and rectangle packer (libstb-dev) instead of
# the copies imgui carries; so do we, where they are installed, for the same glyphs.
if(EXISTS /usr/include/stb/stb_truetype.h AND EXISTS /usr/include/stb/stb_rect_pack.h)
  foreach(header stb_truetype.h stb_rect_pack.h)
    configure_file(/usr/include/stb/${header} ${CMAKE_CURRENT_BINARY_DIR}/stb/stb/${header}
      COPYONLY)
  endforeach()
  target_include_directories(imgui SYSTEM PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/stb)
  target_compile_definitions(imgui PRIVATE
    "IMGUI_STB_RECT_PACK_FILENAME=<stb/stb_rect_pack.h>"
    "IMGUI_STB_TRUETYPE_FILENAME=<stb/stb_truetype.h>")
endif()
add_library(PkgConfig::IMGUI ALIAS imgui)
