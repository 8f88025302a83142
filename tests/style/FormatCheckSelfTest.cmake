# The formatting check itself, on small scratch trees: it must name the one
# misformatted file, leave build trees and ignored files alone, and never pass
# a tree in which it found nothing.
#   cmake -DCLANG_FORMAT=... -DSTYLE_FILE=... -DSCRIPT=... -DWORK_DIR=... -P FormatCheckSelfTest.cmake
cmake_minimum_required(VERSION 3.25)

set(formatted "int answer() {\n    return 42;\n}\n")
set(misformatted "int  answer( ){return 42;}\n")

function(run_check tree mode out_result out_text)
  execute_process(COMMAND ${CMAKE_COMMAND} -DCLANG_FORMAT=${CLANG_FORMAT} -DSOURCE_DIR=${tree}
                          -DEXCLUDE_DIR=${tree}/out -DMODE=${mode} -P ${SCRIPT}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
  set(${out_result} ${result} PARENT_SCOPE)
  set(${out_text} "${out}${err}" PARENT_SCOPE)
endfunction()

# Fails the test unless the condition (an if() expression) holds.
function(expect condition what)
  cmake_language(EVAL CODE "
    if(NOT (${condition}))
      message(FATAL_ERROR [==[${CURRENT_CASE}: ${what}]==])
    endif()")
endfunction()

# Writes a tree: each entry is path=formatted|misformatted.
function(make_tree tree)
  file(REMOVE_RECURSE ${tree})
  file(MAKE_DIRECTORY ${tree})
  file(COPY_FILE ${STYLE_FILE} ${tree}/.clang-format)
  foreach(entry ${ARGN})
    string(REPLACE "=" ";" parts ${entry})
    list(GET parts 0 path)
    list(GET parts 1 kind)
    file(WRITE ${tree}/${path} "${${kind}}")
  endforeach()
endfunction()

# A machine without git can still check an unpacked archive.
find_program(GIT git)

# Each case: a name, whether the tree is a git checkout, its files, and the
# one file the check must name ("" when it must pass).
set(cases
  "archive|no|src/good.cpp=formatted,src/bad.h=misformatted,build/gen.cpp=misformatted,out/moc.cpp=misformatted|src/bad.h"
  "archive-clean|no|src/good.cpp=formatted,build-asan/gen.cpp=misformatted|"
  "git-untracked|yes|src/good.cpp=formatted,src/new.cc=misformatted|src/new.cc"
  "git-ignored|yes|src/good.cpp=formatted,scratch/tmp.cpp=misformatted|")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 CURRENT_CASE)
  list(GET fields 1 git)
  list(GET fields 2 files)
  list(GET fields 3 named)
  string(REPLACE "," ";" files "${files}")
  set(tree ${WORK_DIR}/${CURRENT_CASE})
  make_tree(${tree} ${files})
  if(git AND NOT GIT)
    message(STATUS "${CURRENT_CASE}: not run, git is not installed")
    continue()
  elseif(git)
    file(WRITE ${tree}/.gitignore "/scratch/\n")
    execute_process(COMMAND ${GIT} init -q ${tree} COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${GIT} -C ${tree} add src/good.cpp COMMAND_ERROR_IS_FATAL ANY)
  endif()

  run_check(${tree} check result text)
  if(named STREQUAL "")
    expect("result EQUAL 0" "the check failed on a formatted tree:\n${text}")
    continue()
  endif()
  expect("NOT result EQUAL 0" "the check passed a misformatted ${named}")
  string(REGEX MATCHALL "not formatted: [^\n]+" listed "${text}")
  expect("listed STREQUAL \"not formatted: ${named}\"" "it named '${listed}', not ${named}")

  # The format target's mode leaves the tree passing the check.
  run_check(${tree} fix result text)
  expect("result EQUAL 0" "formatting failed:\n${text}")
  run_check(${tree} check result text)
  expect("result EQUAL 0" "still misformatted after formatting:\n${text}")
endforeach()

set(CURRENT_CASE "empty")
make_tree(${WORK_DIR}/empty)
run_check(${WORK_DIR}/empty check result text)
expect("NOT result EQUAL 0" "a tree without sources passed")
expect("text MATCHES \"no C\\\\+\\\\+ sources\"" "unclear failure:\n${text}")

file(REMOVE_RECURSE ${WORK_DIR})
