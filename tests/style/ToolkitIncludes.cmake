# Fails when a source file outside the front ends includes a toolkit header:
# the window core, the check side, the tools and their tests stay plain C++,
# so that every front end (Qt today, Win32 next) shares them.
#   cmake -DSOURCE_DIR=... [-DEXCLUDE_DIR=build] -P ToolkitIncludes.cmake
#
# A toolkit header is one of Qt's (<QWidget>, <QtCore/...>, <qglobal.h>, a
# form's ui_*.h) or of the Win32 user interface (commctrl.h, windowsx.h,
# uxtheme.h, gdiplus.h, dwmapi.h); windows.h itself is the platform's, not a
# toolkit's.

# The front ends' folders (frontend/qt now, frontend/win32 next), with
# their tests and benchmarks. A path ending in '/' is a folder.
set(FRONT_ENDS frontend/ tests/frontend/ bench/frontend/)

set(toolkit_include
  "#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+|Qt[A-Za-z]*/[^>\"]*|q[a-z]+\\.h|ui_[A-Za-z0-9_]+\\.h|commctrl\\.h|windowsx\\.h|uxtheme\\.h|gdiplus\\.h|dwmapi\\.h)[>\"]")

function(in_front_end path out)
  foreach(entry IN LISTS FRONT_ENDS)
    string(LENGTH "${entry}" length)
    string(SUBSTRING "${path}" 0 ${length} head)
    if(head STREQUAL entry)
      set(${out} TRUE PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} FALSE PARENT_SCOPE)
endfunction()

# Build trees (build, build-asan, build-windows with its unpacked sources)
# are never walked: only the top-level folders of the sources are.
file(GLOB top RELATIVE ${SOURCE_DIR} LIST_DIRECTORIES true ${SOURCE_DIR}/*)
set(sources)
foreach(entry IN LISTS top)
  if(entry MATCHES "^(build|\\.)" OR NOT IS_DIRECTORY ${SOURCE_DIR}/${entry}
     OR (EXCLUDE_DIR AND "${SOURCE_DIR}/${entry}" STREQUAL "${EXCLUDE_DIR}"))
    continue()
  endif()
  file(GLOB_RECURSE found RELATIVE ${SOURCE_DIR} LIST_DIRECTORIES false
       ${SOURCE_DIR}/${entry}/*.h ${SOURCE_DIR}/${entry}/*.hpp ${SOURCE_DIR}/${entry}/*.cpp
       ${SOURCE_DIR}/${entry}/*.ui)
  list(APPEND sources ${found})
endforeach()
set(offending)
set(checked 0)
foreach(path IN LISTS sources)
  in_front_end("${path}" allowed)
  if(allowed)
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
  file(STRINGS ${SOURCE_DIR}/${path} lines REGEX "${toolkit_include}")
  if(lines)
    list(GET lines 0 first)
    string(STRIP "${first}" first)
    list(APPEND offending "${path}: ${first}")
  endif()
endforeach()
message("checked ${checked} files outside the front ends")
if(offending)
  list(JOIN offending "\n  " listed)
  message(FATAL_ERROR "toolkit headers outside the front ends:\n  ${listed}")
endif()
