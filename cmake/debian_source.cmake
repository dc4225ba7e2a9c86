# Debian's source packages, for the libraries both builds compile from source.

# Sets `out` to the unpacked source folder of `package` at the version of the installed
# `binary` package, fetching it with `apt-get source` the first time.
function(rankwatch_debian_source package binary out)
  execute_process(COMMAND dpkg-query -W -f=\${source:Version} ${binary}
    OUTPUT_VARIABLE version RESULT_VARIABLE failed ERROR_QUIET)
  if(failed OR NOT version)
    message(FATAL_ERROR "The build compiles ${package} from Debian's source package at "
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
