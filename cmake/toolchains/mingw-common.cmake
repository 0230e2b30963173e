# SPDX-License-Identifier: MIT
# Shared part of the MinGW-w64 toolchain files. The including file sets
# TESSEL_MINGW_TRIPLE and TESSEL_WINE_LOADER.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TESSEL_MINGW_TRIPLE})
set(CMAKE_C_COMPILER ${TESSEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSEL_MINGW_TRIPLE}-windres)

# The header-only dependencies (rapidxml, nlohmann-json) come from the
# host's /usr/include, which must not be put on the cross compiler's include
# path as a whole. A small prefix in the build tree exposes just them, with
# links to the host's CMake package files so that those find it as their
# prefix.
# (CMake also reads this file for its own test projects: nothing is staged
# or copied for those.)
set(_stage ${CMAKE_BINARY_DIR}/host-headers)
set(_project_build TRUE)
if(CMAKE_BINARY_DIR MATCHES "/CMakeFiles/CMake(Tmp|Scratch)")
  set(_project_build FALSE)
endif()
if(_project_build)
  foreach(_link include/rapidxml include/nlohmann share/cmake/nlohmann_json)
    if(EXISTS /usr/${_link} AND NOT EXISTS ${_stage}/${_link})
      get_filename_component(_parent ${_stage}/${_link} DIRECTORY)
      file(MAKE_DIRECTORY ${_parent})
      file(CREATE_LINK /usr/${_link} ${_stage}/${_link} SYMBOLIC)
    endif()
  endforeach()
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${TESSEL_MINGW_TRIPLE} ${_stage})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GoogleTest is built from its sources for the target.
set(TESSEL_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")

# ctest runs the Windows executables through Wine. Where that Wine is missing
# or cannot run, the tests fail rather than pass for not having run.
set(CMAKE_CROSSCOMPILING_EMULATOR ${TESSEL_WINE_LOADER})

# The DLL and every executable side by side, so that tessel.exe finds
# tessel.dll.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# The C++ runtime is linked as DLLs and copied beside them. tessel.dll and its
# client then share one libstdc++ and one unwinder: exceptions thrown by Init
# reach the client's handlers (with 32-bit DWARF unwinding a statically
# linked libgcc per module cannot unwind across the DLL boundary).
if(_project_build)
  foreach(_dll ${TESSEL_MINGW_RUNTIME})
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
                    OUTPUT_VARIABLE _found OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${_found}")
      message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${_dll}")
    endif()
    file(COPY ${_found} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  endforeach()
endif()
