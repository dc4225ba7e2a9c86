# The plugin alone, for the real host: compiled against the host's published SDK and linked
# with its import library, with the host's compiler. RANKWATCH_HOST_SDK names the SDK folder
# (include/ and lib/pluginsdk.lib); with Microsoft's compiler it defaults to the folder the
# host installs, when that exists. Unset, or OFF, the project builds for the stand-in host.
#
# The published SDK takes the stand-in's place under the same target names: `hostsdk` (its
# headers, its import library and RANKWATCH_PUBLISHED_SDK), `PkgConfig::IMGUI` (the GUI
# library's release that ships beside the SDK, from its sources) and the JSON library.
#
#   RANKWATCH_HOST_SDK      the SDK folder
#   RANKWATCH_IMGUI_SOURCE  the unpacked sources of the GUI library the host draws with (1.75)
#   RANKWATCH_JSON_INCLUDE  a folder holding nlohmann/json.hpp, when CMake finds no package

set(host_sdk_installed "$ENV{APPDATA}/bakkesmod/bakkesmod/bakkesmodsdk")
if(NOT DEFINED RANKWATCH_HOST_SDK AND MSVC AND EXISTS "${host_sdk_installed}")
  set(RANKWATCH_HOST_SDK "${host_sdk_installed}" CACHE PATH
    "The host's published SDK folder: build the plugin alone, for the real host")
  message(STATUS "Building for the real host, against its SDK in ${RANKWATCH_HOST_SDK}")
endif()
set(RANKWATCH_HOST_SDK "" CACHE PATH
  "The host's published SDK folder: build the plugin alone, for the real host")
if(NOT RANKWATCH_HOST_SDK)
  return()
endif()

# The host's compiler: Microsoft's, or clang-cl, which uses the same C++ library and layouts.
if(NOT MSVC OR NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  math(EXPR bits "${CMAKE_SIZEOF_VOID_P} * 8")
  message(FATAL_ERROR "RANKWATCH_HOST_SDK builds rankwatch.dll for the real host, which needs "
    "the host's compiler: Microsoft's C++ compiler (or clang-cl) for 64-bit Windows. This "
    "build uses ${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION} (${CMAKE_CXX_COMPILER}) "
    "for ${bits}-bit ${CMAKE_SYSTEM_NAME}. The published "
    "SDK's headers compile only with the host's compiler and its C++ library, and the host and "
    "the plugin hand each other objects of that library (std::string, std::shared_ptr, "
    "std::function), which another compiler lays out differently. Configure on Windows with "
    "the host-sdk preset, from a prompt where the x64 compiler is set up; or leave "
    "RANKWATCH_HOST_SDK unset to build for the stand-in host.")
endif()

foreach(found "include/bakkesmod/plugin/bakkesmodplugin.h" "lib/pluginsdk.lib")
  if(NOT EXISTS "${RANKWATCH_HOST_SDK}/${found}")
    message(FATAL_ERROR "RANKWATCH_HOST_SDK: ${RANKWATCH_HOST_SDK} is not the host's SDK "
      "folder: it has no ${found}. The host installs its SDK in ${host_sdk_installed}.")
  endif()
endforeach()

# The plugin draws into the host's own GUI context, whose layout is that of the host's release.
set(host_imgui_version "1.75")
set(RANKWATCH_IMGUI_SOURCE "" CACHE PATH
  "The GUI library's sources, release ${host_imgui_version} as it ships beside the host's SDK")
if(NOT EXISTS "${RANKWATCH_IMGUI_SOURCE}/imgui.h")
  message(FATAL_ERROR "RANKWATCH_IMGUI_SOURCE: name the folder of the GUI library's sources "
    "that ships beside the host's SDK (release ${host_imgui_version}, with imgui.h and "
    "imgui.cpp); \"${RANKWATCH_IMGUI_SOURCE}\" has no imgui.h.")
endif()
file(STRINGS "${RANKWATCH_IMGUI_SOURCE}/imgui.h" imgui_version REGEX "^#define IMGUI_VERSION ")
string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" imgui_version "${imgui_version}")
string(REGEX REPLACE " .*$" "" imgui_release "${imgui_version}")
if(NOT imgui_release STREQUAL host_imgui_version)
  message(FATAL_ERROR "RANKWATCH_IMGUI_SOURCE: ${RANKWATCH_IMGUI_SOURCE} holds release "
    "\"${imgui_version}\" of the GUI library; the host draws with ${host_imgui_version}, and "
    "the plugin's copy must lay out the host's context as the host's does.")
endif()

find_package(nlohmann_json 3.9 QUIET)
if(NOT nlohmann_json_FOUND)
  set(RANKWATCH_JSON_INCLUDE "" CACHE PATH "A folder holding nlohmann/json.hpp")
  if(NOT EXISTS "${RANKWATCH_JSON_INCLUDE}/nlohmann/json.hpp")
    message(FATAL_ERROR "RANKWATCH_JSON_INCLUDE: CMake finds no nlohmann_json package; name a "
      "folder holding nlohmann/json.hpp (the single-header release's include/).")
  endif()
  add_library(nlohmann_json INTERFACE)
  target_include_directories(nlohmann_json SYSTEM INTERFACE "${RANKWATCH_JSON_INCLUDE}")
  add_library(nlohmann_json::nlohmann_json ALIAS nlohmann_json)
endif()

# One C runtime DLL, its release form in every configuration: the GUI library's buffers and the
# C++ objects the host exchanges with the plugin come from and go back to the host's heap, and
# a debug runtime lays out std::string and the containers differently.
set(CMAKE_MSVC_RUNTIME_LIBRARY MultiThreadedDLL)

add_library(hostsdk INTERFACE)
target_include_directories(hostsdk SYSTEM INTERFACE "${RANKWATCH_HOST_SDK}/include")
target_link_libraries(hostsdk INTERFACE "${RANKWATCH_HOST_SDK}/lib/pluginsdk.lib")
target_compile_definitions(hostsdk INTERFACE RANKWATCH_PUBLISHED_SDK)

# The GUI library's core, inside the plugin: nothing of it is exported.
add_library(imgui STATIC
  ${RANKWATCH_IMGUI_SOURCE}/imgui.cpp
  ${RANKWATCH_IMGUI_SOURCE}/imgui_draw.cpp
  ${RANKWATCH_IMGUI_SOURCE}/imgui_widgets.cpp
)
target_include_directories(imgui SYSTEM PUBLIC "${RANKWATCH_IMGUI_SOURCE}")
add_library(PkgConfig::IMGUI ALIAS imgui)
set(IMGUI_INCLUDE_DIRS "${RANKWATCH_IMGUI_SOURCE}")
