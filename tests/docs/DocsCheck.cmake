# Checks that the developer guide and the state diagram still match the code.
#   cmake -DCHECK=names|paths|rendered -DSOURCE_DIR=... [-DRENDERED=svg] -P DocsCheck.cmake
#
# names:    every update status value, click handler, state function, state
#           flag and re-pointed click action of the main window is named in
#           docs/main-window-states.dot (outside its comments). The names are
#           read from the code, so a new one fails until the diagram has it.
# paths:    every repository path that docs/DEVELOPING.md names exists.
# rendered: docs/main-window-states.svg is what the build renders.

# The matches of `regex`'s first group in `text`; fails when there are none,
# since then the code changed shape and the check would pass unseen.
function(capture_all out text regex what)
  string(REGEX MATCHALL "${regex}" matches "${text}")
  set(names)
  foreach(match IN LISTS matches)
    string(REGEX REPLACE "${regex}" "\\1" name "${match}")
    list(APPEND names ${name})
  endforeach()
  if(NOT names)
    message(FATAL_ERROR "found no ${what}: the pattern no longer matches the code")
  endif()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

function(check_names)
  file(READ ${SOURCE_DIR}/core/UpdateState.h state)
  if(NOT state MATCHES "enum TUpdateStatus[^{]*{([^}]*)}")
    message(FATAL_ERROR "core/UpdateState.h has no enum TUpdateStatus")
  endif()
  capture_all(statuses "${CMAKE_MATCH_1}" "(Status[A-Za-z0-9_]+) *=" "status values")

  file(READ ${SOURCE_DIR}/window/controller/MainController.h main)
  capture_all(handlers "${main}" "void ([A-Za-z0-9_]+Click)\\(\\)" "click handlers")
  capture_all(presentations "${main}" "void ([A-Za-z0-9_]+State)\\(\\)" "state functions")
  capture_all(flags "${main}" "bool (F[A-Za-z0-9_]+) = " "state flags")
  capture_all(actions "${main}" "TMainAction (F[A-Za-z0-9_]+) = " "re-pointed click actions")

  # A name mentioned only in a comment is not drawn.
  file(STRINGS ${SOURCE_DIR}/docs/main-window-states.dot lines)
  set(diagram "")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^[ \t]*//")
      string(APPEND diagram " ${line}\n")
    endif()
  endforeach()

  set(missing)
  foreach(name IN LISTS statuses handlers presentations flags actions)
    if(NOT diagram MATCHES "[^A-Za-z0-9_]${name}[^A-Za-z0-9_]")
      list(APPEND missing ${name})
    endif()
  endforeach()
  list(LENGTH statuses s)
  list(LENGTH handlers h)
  list(LENGTH presentations p)
  list(LENGTH flags f)
  list(LENGTH actions a)
  message("checked ${s} status values, ${h} handlers, ${p} state functions, ${f} flags, "
          "${a} click actions")
  if(missing)
    string(REPLACE ";" ", " missing "${missing}")
    message(FATAL_ERROR "docs/main-window-states.dot does not name: ${missing}")
  endif()
endfunction()

# A span that names a file or directory of the repository: no spaces, a '/'
# or a file name with an extension, and none of what marks a built path, a
# placeholder, an option or an address.
function(is_repository_path out span)
  set(result FALSE)
  if(span MATCHES "^[A-Za-z0-9_.][^ ]*$"
     AND (span MATCHES "/" OR span MATCHES "^(\\.clang-format|[A-Za-z]+\\.(md|txt|json))$")
     AND NOT span MATCHES "^(build|\\.\\./)"
     AND NOT span MATCHES "(://|[=<>*:$~(])")
    set(result TRUE)
  endif()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(check_paths)
  file(READ ${SOURCE_DIR}/docs/DEVELOPING.md guide)
  # A span may run over a line break. Brackets and semicolons would split
  # or join CMake list elements.
  string(REPLACE "\n" " " guide "${guide}")
  string(REPLACE ";" "," guide "${guide}")
  string(REPLACE "[" "{" guide "${guide}")
  string(REPLACE "]" "}" guide "${guide}")
  string(REGEX MATCHALL "`[^`]+`" spans "${guide}")
  string(REGEX MATCHALL "}\\(([^) ]+)\\)" links "${guide}")
  set(paths)
  foreach(span IN LISTS spans)
    string(REGEX REPLACE "^`(.*)`$" "\\1" span "${span}")
    is_repository_path(wanted "${span}")
    if(wanted)
      string(REGEX REPLACE "/$" "" span "${span}")
      list(APPEND paths ${span})
    endif()
  endforeach()
  # A link is relative to the guide's own directory.
  foreach(link IN LISTS links)
    string(REGEX REPLACE "^}\\((.*)\\)$" "\\1" link "${link}")
    string(REGEX REPLACE "#.*$" "" link "${link}")
    if(link AND NOT link MATCHES "://")
      list(APPEND paths docs/${link})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES paths)
  list(LENGTH paths count)
  # The guide names many; a handful means the spans were not found.
  if(count LESS 40)
    message(FATAL_ERROR "found only ${count} paths in docs/DEVELOPING.md")
  endif()
  set(missing)
  foreach(path IN LISTS paths)
    if(NOT EXISTS ${SOURCE_DIR}/${path})
      list(APPEND missing ${path})
    endif()
  endforeach()
  message("checked ${count} paths named in docs/DEVELOPING.md")
  if(missing)
    string(REPLACE ";" ", " missing "${missing}")
    message(FATAL_ERROR "docs/DEVELOPING.md names paths that do not exist: ${missing}")
  endif()
endfunction()

# The <title> of every node and edge: what the picture names.
function(svg_titles out file)
  file(READ ${file} svg)
  string(REGEX MATCHALL "<title>[^<]*</title>" titles "${svg}")
  list(SORT titles)
  set(${out} "${titles}" PARENT_SCOPE)
endfunction()

function(check_rendered)
  set(committed ${SOURCE_DIR}/docs/main-window-states.svg)
  set(refresh "copy ${RENDERED} to docs/ after changing the diagram")
  file(READ ${committed} left)
  file(READ ${RENDERED} right)
  if(left STREQUAL right)
    return()
  endif()
  # Another graphviz lays the same graph out differently: then only what
  # the picture names has to agree.
  string(REGEX MATCH "Generated by graphviz version [^\n]*" left_version "${left}")
  string(REGEX MATCH "Generated by graphviz version [^\n]*" right_version "${right}")
  if(left_version STREQUAL right_version)
    message(FATAL_ERROR "docs/main-window-states.svg is not the rendered diagram: ${refresh}")
  endif()
  svg_titles(left_titles ${committed})
  svg_titles(right_titles ${RENDERED})
  if(NOT left_titles STREQUAL right_titles)
    message(FATAL_ERROR "docs/main-window-states.svg names other states or transitions than "
                        "the diagram: ${refresh}")
  endif()
  message("rendered by another graphviz; states and transitions agree")
endfunction()

if(CHECK STREQUAL "names")
  check_names()
elseif(CHECK STREQUAL "paths")
  check_paths()
elseif(CHECK STREQUAL "rendered")
  check_rendered()
else()
  message(FATAL_ERROR "CHECK must be names, paths or rendered, not '${CHECK}'")
endif()
