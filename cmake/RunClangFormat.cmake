# Checks or rewrites the formatting of every C++ source and header of the
# source tree with the project's .clang-format.
#   cmake -DCLANG_FORMAT=<binary> -DSOURCE_DIR=<tree> -DMODE=check|fix
#         [-DEXCLUDE_DIR=<build dir>] -P RunClangFormat.cmake
# In a git checkout the files are those git knows (tracked, or new and not
# ignored); in an unpacked source archive they are found by name.
cmake_minimum_required(VERSION 3.25)

set(source_patterns *.cpp *.cc *.cxx *.c *.h *.hpp *.hh)

foreach(var CLANG_FORMAT SOURCE_DIR MODE)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "RunClangFormat.cmake needs -D${var}=...")
  endif()
endforeach()
if(NOT MODE MATCHES "^(check|fix)$")
  message(FATAL_ERROR "MODE must be check or fix, not '${MODE}'")
endif()
# Without its style file clang-format falls back to a built-in style, and the
# check would then judge the tree by rules nobody chose.
if(NOT EXISTS ${SOURCE_DIR}/.clang-format)
  message(FATAL_ERROR "no .clang-format in ${SOURCE_DIR}")
endif()
file(REAL_PATH ${SOURCE_DIR} SOURCE_DIR)

# True when SOURCE_DIR is itself the top of a git work tree: a source archive
# unpacked inside some other checkout must not take that checkout's files.
function(is_git_top_level out)
  set(${out} FALSE PARENT_SCOPE)
  find_program(GIT_EXECUTABLE git)
  if(NOT GIT_EXECUTABLE)
    return()
  endif()
  execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} rev-parse --show-toplevel
                  OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE result ERROR_QUIET)
  if(result EQUAL 0 AND NOT top STREQUAL "")
    file(REAL_PATH ${top} top)
    if(top STREQUAL SOURCE_DIR)
      set(${out} TRUE PARENT_SCOPE)
    endif()
  endif()
endfunction()

# Files git knows, relative to SOURCE_DIR. A file deleted but not yet
# committed is still listed by git, so only those on disk are kept.
function(list_git_files out)
  execute_process(COMMAND ${GIT_EXECUTABLE} ls-files --cached --others --exclude-standard
                          -- ${source_patterns}
                  WORKING_DIRECTORY ${SOURCE_DIR}
                  OUTPUT_VARIABLE listing RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "git ls-files failed in ${SOURCE_DIR} (status ${result})")
  endif()
  string(REPLACE "\n" ";" candidates "${listing}")
  set(files)
  foreach(f IN LISTS candidates)
    if(NOT f STREQUAL "" AND EXISTS ${SOURCE_DIR}/${f})
      list(APPEND files ${f})
    endif()
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# Files found by name, leaving out build trees the way .gitignore does.
function(list_globbed_files out)
  set(globs)
  foreach(p IN LISTS source_patterns)
    list(APPEND globs ${SOURCE_DIR}/${p})
  endforeach()
  file(GLOB_RECURSE found RELATIVE ${SOURCE_DIR} ${globs})
  list(FILTER found EXCLUDE REGEX "^(build|build-[^/]*|\\.git)/")
  # A build tree configured elsewhere inside the sources holds generated files.
  if(DEFINED EXCLUDE_DIR AND NOT EXCLUDE_DIR STREQUAL "")
    file(REAL_PATH ${EXCLUDE_DIR} exclude_dir)
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${exclude_dir})
    if(NOT rel STREQUAL "" AND NOT rel MATCHES "^\\.\\.")
      set(kept)
      foreach(f IN LISTS found)
        string(FIND "${f}" "${rel}/" at)
        if(NOT at EQUAL 0)
          list(APPEND kept ${f})
        endif()
      endforeach()
      set(found ${kept})
    endif()
  endif()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

is_git_top_level(in_git)
if(in_git)
  list_git_files(files)
  set(origin "git ls-files")
else()
  list_globbed_files(files)
  set(origin "a search by name (no git checkout)")
endif()
list(SORT files)
list(LENGTH files count)
# An empty list would make the check pass without looking at anything.
if(count EQUAL 0)
  message(FATAL_ERROR "no C++ sources found in ${SOURCE_DIR} by ${origin}")
endif()

if(MODE STREQUAL "fix")
  execute_process(COMMAND ${CLANG_FORMAT} -i --style=file ${files}
                  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "clang-format failed (status ${result})")
  endif()
  message(STATUS "clang-format: formatted ${count} files found by ${origin}")
  return()
endif()

execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror --style=file ${files}
                WORKING_DIRECTORY ${SOURCE_DIR}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
if(result EQUAL 0)
  message(STATUS "clang-format: ${count} files found by ${origin}, all formatted")
  return()
endif()

# Every misplaced character is reported; the names of the files are what the
# reader needs, each once.
string(REGEX MATCHALL "[^\n]+:[0-9]+:[0-9]+: error: code should be clang-formatted"
       violations "${err}")
set(bad)
foreach(v IN LISTS violations)
  string(REGEX REPLACE ":[0-9]+:[0-9]+: error: .*" "" f "${v}")
  list(APPEND bad ${f})
endforeach()
list(REMOVE_DUPLICATES bad)
if(bad STREQUAL "")
  message(FATAL_ERROR "clang-format failed (status ${result}):\n${out}${err}")
endif()
foreach(f IN LISTS bad)
  message("not formatted: ${f}")
endforeach()
list(LENGTH bad bad_count)
message(FATAL_ERROR "clang-format: ${bad_count} of ${count} files are not formatted. "
                    "`cmake --build <build dir> --target format` reformats them.")
