# The libraries of the Windows build, all from Debian: compiled from Debian's own source
# packages, each pinned to the version of the Linux build's package, so that both builds run
# the same code (the GUI library's context layout and glyph sizes above all); header-only ones
# from the installed headers.
#
#   rankwatch_debian_source  fetches a source package once into build/ and reuses it
#   imgui                    the GUI library's core (PkgConfig::IMGUI, as on Linux)
#   cpp-httplib              header-only from its source (Debian's own header is split)
#   nlohmann_json, stb       copies of the installed headers
#
# A developer on Windows names unpacked sources instead: RANKWATCH_IMGUI_SOURCE (imgui 1.86)
# and RANKWATCH_HTTPLIB_SOURCE (cpp-httplib 0.11), and RANKWATCH_JSON_INCLUDE (nlohmann json).

# Sets `out` to the unpacked source folder of `package` at the version of the installed
# `binary` package, fetching it with `apt-get source` the first time.
function(rankwatch_debian_source package binary out)
  execute_process(COMMAND dpkg-query -W -f=\${source:Version} ${binary}
    OUTPUT_VARIABLE version RESULT_VARIABLE failed ERROR_QUIET)
  if(failed OR NOT version)
    message(FATAL_ERROR "The Windows build compiles ${package} from Debian's source package at "
      "the installed ${binary}'s version, but ${binary} is not installed. Run scripts/setup.")
  endif()
  set(folder "${PROJECT_SOURCE_DIR}/build/debian-source/${package}/${version}")
  file(GLOB unpacked LIST_DIRECTORIES true "${folder}/${package}-*")
  if(NOT unpacked)
    message(STATUS "Fetching Debian's source package ${package}=${version}")
    file(REMOVE_RECURSE "${folder}")
    file(MAKE_DIRECTORY "${folder}")
    execute_process(COMMAND apt-get source -qq --only-source "${package}=${version}"
      WORKING_DIRECTORY "${folder}" RESULT_VARIABLE failed
      OUTPUT_VARIABLE said ERROR_VARIABLE said)
    file(GLOB unpacked LIST_DIRECTORIES true "${folder}/${package}-*")
    if(failed OR NOT unpacked)
      file(REMOVE_RECURSE "${folder}")
      message(FATAL_ERROR "Cannot fetch Debian's source package ${package}=${version}: "
        "${said}\nscripts/setup adds the deb-src entries it needs.")
    endif()
  endif()
  list(FILTER unpacked EXCLUDE REGEX "\\.(dsc|tar\\..*)$")
  list(GET unpacked 0 first)
  set(${out} "${first}" PARENT_SCOPE)
endfunction()

# Copies installed headers into a folder of the build's own: /usr/include as a whole must not
# meet the cross compiler, whose C library headers are others.
function(rankwatch_copy_headers destination)
  foreach(header ${ARGN})
    if(IS_DIRECTORY "/usr/include/${header}")
      file(COPY "/usr/include/${header}" DESTINATION "${destination}")
    else()
      get_filename_component(subfolder "${header}" DIRECTORY)
      file(COPY "/usr/include/${header}" DESTINATION "${destination}/${subfolder}")
    endif()
  endforeach()
endfunction()

set(RANKWATCH_IMGUI_SOURCE "" CACHE PATH "An unpacked imgui 1.86 source folder")
set(RANKWATCH_HTTPLIB_SOURCE "" CACHE PATH "An unpacked cpp-httplib 0.11 source folder")
set(RANKWATCH_JSON_INCLUDE "" CACHE PATH "A folder holding nlohmann/json.hpp")
if(NOT RANKWATCH_IMGUI_SOURCE)
  rankwatch_debian_source(imgui libimgui-dev RANKWATCH_IMGUI_SOURCE)
endif()
if(NOT RANKWATCH_HTTPLIB_SOURCE)
  rankwatch_debian_source(cpp-httplib libcpp-httplib-dev RANKWATCH_HTTPLIB_SOURCE)
endif()
if(NOT RANKWATCH_JSON_INCLUDE)
  set(RANKWATCH_JSON_INCLUDE "${CMAKE_BINARY_DIR}/debian-headers")
  rankwatch_copy_headers("${RANKWATCH_JSON_INCLUDE}" nlohmann)
endif()
foreach(found "${RANKWATCH_IMGUI_SOURCE}/imgui.cpp" "${RANKWATCH_HTTPLIB_SOURCE}/httplib.h"
    "${RANKWATCH_JSON_INCLUDE}/nlohmann/json.hpp")
  if(NOT EXISTS "${found}")
    message(FATAL_ERROR "${found} is missing")
  endif()
endforeach()
message(STATUS "imgui: ${RANKWATCH_IMGUI_SOURCE}; cpp-httplib: ${RANKWATCH_HTTPLIB_SOURCE}")

# ---- imgui: only the core; the plugin and the host draw through nothing else.
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
  rankwatch_copy_headers("${CMAKE_BINARY_DIR}/debian-stb" stb/stb_truetype.h
    stb/stb_rect_pack.h)
  target_include_directories(imgui SYSTEM PRIVATE "${CMAKE_BINARY_DIR}/debian-stb")
  target_compile_definitions(imgui PRIVATE
    "IMGUI_STB_RECT_PACK_FILENAME=<stb/stb_rect_pack.h>"
    "IMGUI_STB_TRUETYPE_FILENAME=<stb/stb_truetype.h>")
endif()
add_library(PkgConfig::IMGUI ALIAS imgui)
set(IMGUI_INCLUDE_DIRS ${RANKWATCH_IMGUI_SOURCE})

# ---- nlohmann json
add_library(nlohmann_json INTERFACE)
target_include_directories(nlohmann_json SYSTEM INTERFACE "${RANKWATCH_JSON_INCLUDE}")
add_library(nlohmann_json::nlohmann_json ALIAS nlohmann_json)

# ---- cpp-httplib, plain HTTP over Winsock (the local stats service needs no TLS)
add_library(httplib INTERFACE)
target_include_directories(httplib SYSTEM INTERFACE "${RANKWATCH_HTTPLIB_SOURCE}")
target_link_libraries(httplib INTERFACE ws2_32)
add_library(PkgConfig::HTTPLIB ALIAS httplib)
