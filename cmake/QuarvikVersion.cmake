# Writes the program version into OUT/Version.cpp and OUT/version.txt, touching neither when the
# version is unchanged (so nothing relinks). Run at build time: cmake -DSOURCE_DIR=... -DBASE=...
# -DOUT=... -P QuarvikVersion.cmake.
#
# The version is BASE (the project's version) unless SOURCE_DIR is a git checkout. Then it comes
# from `git describe`: a tag vX.Y gives X.Y, with "+N.gHASH" when N commits followed it; without
# a tag it is BASE+gitN.gHASH (N commits in all). Both sort upwards as Debian versions.
set(version "${BASE}")
find_program(GIT git)
if(GIT AND EXISTS "${SOURCE_DIR}/.git")
  execute_process(COMMAND "${GIT}" -C "${SOURCE_DIR}" describe --tags --match "v[0-9]*" --long
                  OUTPUT_VARIABLE described RESULT_VARIABLE failed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT failed AND described MATCHES "^v([0-9][^-]*)-([0-9]+)-g([0-9a-f]+)$")
    set(version "${CMAKE_MATCH_1}")
    if(NOT CMAKE_MATCH_2 STREQUAL "0")
      string(APPEND version "+${CMAKE_MATCH_2}.g${CMAKE_MATCH_3}")
    endif()
  else()
    execute_process(COMMAND "${GIT}" -C "${SOURCE_DIR}" rev-list --count HEAD
                    OUTPUT_VARIABLE count RESULT_VARIABLE failed1 OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND "${GIT}" -C "${SOURCE_DIR}" rev-parse --short HEAD
                    OUTPUT_VARIABLE hash RESULT_VARIABLE failed2 OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT failed1 AND NOT failed2)
      set(version "${BASE}+git${count}.g${hash}")
    endif()
  endif()
endif()

function(write_if_changed path text)
  set(old "")
  if(EXISTS "${path}")
    file(READ "${path}" old)
  endif()
  if(NOT old STREQUAL text)
    file(WRITE "${path}" "${text}")
  endif()
endfunction()

file(MAKE_DIRECTORY "${OUT}")
write_if_changed("${OUT}/Version.cpp" "// Written by cmake/QuarvikVersion.cmake at build time.
#include \"Version.h\"

const char* quarvik::ProgramVersion() { return \"${version}\"; }
")
write_if_changed("${OUT}/version.txt" "${version}\n")
