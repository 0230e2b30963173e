# SPDX-License-Identifier: MIT
# What `cmake --install` puts under the prefix, relocatable to any prefix:
#   bin/            the tool (finds lib/ through its run path $ORIGIN/../lib)
#   lib/            libtessel.so (tessel.dll's import library on Windows) and
#                   the static libtessel_static.a
#   include/tessel/ the public headers; clients write <tessel/tessel.h>
#   lib/cmake/Tessel/  find_package(Tessel): Tessel::tessel, Tessel::tessel_static
#   lib/pkgconfig/  tessel.pc (shared library), tessel-static.pc
#   share/tessel/   sample catalogue emo.dat, emoticons/*.png, messages/
#   share/doc/tessel/  LICENSE, README.md, CHANGELOG.md
# Components: library (shared library, and on Windows the MinGW runtime it
# needs), development (headers, static library, CMake and pkg-config files),
# tool, data (sample data and documents).
include(CMakePackageConfigHelpers)

set(TESSEL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/tessel)
set(TESSEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tessel)

# Every installed executable finds the library beside it in the prefix,
# wherever the prefix is moved to.
if(NOT WIN32)
  file(RELATIVE_PATH TESSEL_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  if(APPLE)
    set(CMAKE_INSTALL_RPATH "@loader_path/${TESSEL_BIN_TO_LIB}")
  else()
    set(CMAKE_INSTALL_RPATH "$ORIGIN/${TESSEL_BIN_TO_LIB}")
  endif()
endif()

install(TARGETS tessel EXPORT TesselTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT library)
install(TARGETS tessel_static EXPORT TesselStaticTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(DIRECTORY include/tessel DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(FILES ${TESSEL_GENERATED_INCLUDE}/tessel/version.h ${TESSEL_GENERATED_INCLUDE}/tessel/export.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tessel COMPONENT development)

# The MinGW runtime DLLs that tessel.dll and tessel.exe load (the toolchain
# file copies them into the build's bin/), installed without their debug
# information, which is most of their size.
if(WIN32 AND TESSEL_MINGW_RUNTIME)
  foreach(dll ${TESSEL_MINGW_RUNTIME})
    install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${dll}
      DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT library)
    if(CMAKE_STRIP)
      install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug
                      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${dll}\")"
        COMPONENT library)
    endif()
  endforeach()
endif()

# find_package(Tessel): the shared library always; the static one when its
# link dependencies are found (see TesselConfig.cmake.in).
install(EXPORT TesselTargets NAMESPACE Tessel:: DESTINATION ${TESSEL_CMAKE_DIR} COMPONENT development)
install(EXPORT TesselStaticTargets NAMESPACE Tessel:: DESTINATION ${TESSEL_CMAKE_DIR}
  COMPONENT development)
configure_package_config_file(cmake/TesselConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/TesselConfig.cmake
  INSTALL_DESTINATION ${TESSEL_CMAKE_DIR}
  NO_SET_AND_CHECK_MACRO)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/TesselConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/TesselConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/TesselConfigVersion.cmake
  DESTINATION ${TESSEL_CMAKE_DIR} COMPONENT development)

# pkg-config: relocatable, the prefix found from where the file is installed.
# What a static link needs besides the library itself goes to the private
# fields of tessel.pc and to the public ones of tessel-static.pc.
file(RELATIVE_PATH TESSEL_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" TESSEL_PC_TO_PREFIX "${TESSEL_PC_TO_PREFIX}")
if(WIN32)
  set(TESSEL_PC_REQUIRES "")
  set(TESSEL_PC_LIBS "-lwininet")
else()
  set(TESSEL_PC_REQUIRES "libcurl")
  set(TESSEL_PC_LIBS "-pthread")
endif()
foreach(variant tessel tessel-static)
  configure_file(cmake/${variant}.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${variant}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${variant}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
endforeach()

install(FILES data/emo.dat DESTINATION ${TESSEL_DATA_DIR} COMPONENT data)
install(DIRECTORY data/emoticons/ DESTINATION ${TESSEL_DATA_DIR}/emoticons COMPONENT data
  FILES_MATCHING PATTERN "*.png")
install(DIRECTORY data/messages/ DESTINATION ${TESSEL_DATA_DIR}/messages COMPONENT data)
install(FILES LICENSE README.md CHANGELOG.md
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessel COMPONENT data)
