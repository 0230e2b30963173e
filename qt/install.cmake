# SPDX-License-Identifier: MIT
# Installs the Qt companion beside the library: libtessel-qt, its headers
# under <tessel/qt/...>, and the CMake component that
# find_package(Tessel COMPONENTS qt) loads (Tessel::qt). No pkg-config file:
# Debian's Qt 6 has none to require.
install(TARGETS tessel_qt EXPORT TesselQtTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY qt/include/tessel/qt DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tessel)

set(TESSEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tessel)
install(EXPORT TesselQtTargets NAMESPACE Tessel:: DESTINATION ${TESSEL_CMAKE_DIR})
configure_file(qt/Tessel-qt.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/Tessel-qt.cmake @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/Tessel-qt.cmake DESTINATION ${TESSEL_CMAKE_DIR})

