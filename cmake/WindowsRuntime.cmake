# The C++ runtime DLLs of the posix-thread mingw-w64 toolchain, copied into
# bin/ where every program and module of the build lands. Programs and the
# window module link libstdc++ dynamically so that they share one copy of it
# (see cmake/mingw-w64-x86_64.cmake); Windows finds these beside the program.
set(VANTREL_WINDOWS_RUNTIME_DLLS)
foreach(_dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
                  OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE)
  # The compiler answers a bare name for a file it does not have.
  if(NOT IS_ABSOLUTE "${_path}" OR NOT EXISTS "${_path}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${_dll}")
  endif()
  get_filename_component(_path "${_path}" REALPATH)
  list(APPEND VANTREL_WINDOWS_RUNTIME_DLLS "${_path}")
endforeach()

set(_runtime_copies)
foreach(_path IN LISTS VANTREL_WINDOWS_RUNTIME_DLLS)
  get_filename_component(_name "${_path}" NAME)
  list(APPEND _runtime_copies "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${_name}")
endforeach()
add_custom_command(
  OUTPUT ${_runtime_copies}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VANTREL_WINDOWS_RUNTIME_DLLS}
          ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
  DEPENDS ${VANTREL_WINDOWS_RUNTIME_DLLS}
  COMMENT "Copying the mingw-w64 C++ runtime into bin/"
  VERBATIM)
add_custom_target(vantrel_windows_runtime ALL DEPENDS ${_runtime_copies})

# Every Windows program and module calls this: whatever runs it (a test, a
# build step, the installer's packing) then finds the runtime beside it.
function(vantrel_windows_runtime target)
  add_dependencies(${target} vantrel_windows_runtime)
endfunction()
