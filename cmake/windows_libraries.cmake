# The libraries of the Windows build, all from Debian: compiled from Debian's own source
# packages, each pinned to the version of the Linux build's package, so that both builds run
# the same code (the GUI library's context layout and glyph sizes above all); header-only ones
# from the installed headers.
#
#   imgui                    the GUI library (cmake/imgui.cmake, as on Linux)
#   cpp-httplib              header-only from its source (Debian's own header is split)
#   nlohmann_json, stb       copies of the installed headers
#
# A developer on Windows names unpacked sources instead: RANKWATCH_IMGUI_SOURCE (imgui 1.86)
# and RANKWATCH_HTTPLIB_SOURCE (cpp-httplib 0.11), and RANKWATCH_JSON_INCLUDE (nlohmann json).

include(cmake/debian_source.cmake)

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

set(RANKWATCH_HTTPLIB_SOURCE "" CACHE PATH "An unpacked cpp-httplib 0.11 source folder")
set(RANKWATCH_JSON_INCLUDE "" CACHE PATH "A folder holding nlohmann/json.hpp")
if(NOT RANKWATCH_HTTPLIB_SOURCE)
  rankwatch_debian_source(cpp-httplib libcpp-httplib-dev RANKWATCH_HTTPLIB_SOURCE)
endif()
if(NOT RANKWATCH_JSON_INCLUDE)
  set(RANKWATCH_JSON_INCLUDE "${CMAKE_BINARY_DIR}/debian-headers")
  rankwatch_copy_headers("${RANKWATCH_JSON_INCLUDE}" nlohmann)
endif()
foreach(found "${RANKWATCH_HTTPLIB_SOURCE}/httplib.h"
    "${RANKWATCH_JSON_INCLUDE}/nlohmann/json.hpp")
  if(NOT EXISTS "${found}")
    message(FATAL_ERROR "${found} is missing")
  endif()
endforeach()
message(STATUS "cpp-httplib: ${RANKWATCH_HTTPLIB_SOURCE}")

include(cmake/imgui.cmake)

# ---- nlohmann json
add_library(nlohmann_json INTERFACE)
target_include_directories(nlohmann_json SYSTEM INTERFACE "${RANKWATCH_JSON_INCLUDE}")
add_library(nlohmann_json::nlohmann_json ALIAS nlohmann_json)

# ---- cpp-httplib, plain HTTP over Winsock (the local stats service needs no TLS)
add_library(httplib INTERFACE)
target_include_directories(httplib SYSTEM INTERFACE "${RANKWATCH_HTTPLIB_SOURCE}")
target_link_libraries(httplib INTERFACE ws2_32)
add_library(PkgConfig::HTTPLIB ALIAS httplib)
