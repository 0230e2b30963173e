# SPDX-License-Identifier: MIT
# Packages made by CPack from what `cmake --install` installs
# (scripts/package.sh drives it):
#   Linux:   a Debian package, tessel_<version>_<arch>.deb (cpack -G DEB)
#   Windows: a .zip of the MinGW build, tessel-<version>-win32.zip or -win64
set(CPACK_PACKAGE_NAME tessel)
set(CPACK_PACKAGE_VENDOR "The Tessel developers")
set(CPACK_PACKAGE_CONTACT "The Tessel developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Chat-message content library: text, Qt rich text, message bodies and emoticons")
set(CPACK_PACKAGE_DESCRIPTION
  "Tessel turns the HTML of chat messages into plain text, Qt rich text whose pictures point at local files, and compact message bodies with reference tags, and keeps an emoticon catalogue. The package holds the shared and static libraries, headers, CMake and pkg-config files, the tessel tool and sample data.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  # The run-time dependencies (libcurl, the C++ runtime) are read from the
  # binaries; the shlibs file lets other packages depend on libtessel.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  # What a client building against the headers and the static library needs.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libcurl4-openssl-dev | libcurl-dev, pkg-config")
endif()

include(CPack)
