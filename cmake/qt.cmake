# SPDX-License-Identifier: MIT
# The Qt parts: the companion library Tessel::qt (qt/), the rendering check
# (tests/qt) and the viewer (viewer/). The library itself never uses Qt.
# Without Qt they are left out and the build goes on.
option(TESSEL_WITH_QT "Build the Qt companion, the Qt rendering check and tessel-view when Qt is found" ON)
set(TESSEL_QT_VERSION "" CACHE STRING "Qt major version of the Qt parts: 6, 5, or empty for 6 when found, else 5")
if(NOT TESSEL_WITH_QT)
  return()
endif()

if(TESSEL_QT_VERSION STREQUAL "")
  set(candidates 6 5)
elseif(TESSEL_QT_VERSION MATCHES "^[56]$")
  set(candidates ${TESSEL_QT_VERSION})
else()
  message(FATAL_ERROR "TESSEL_QT_VERSION must be empty, 5 or 6")
endif()
foreach(version ${candidates})
  find_package(Qt${version} COMPONENTS Core Gui QUIET)
  if(Qt${version}Core_FOUND AND Qt${version}Gui_FOUND)
    set(TESSEL_QT Qt${version})
    break()
  endif()
endforeach()
if(NOT TESSEL_QT)
  message(STATUS "Qt ${candidates} Core/Gui not found: the Qt companion, the Qt rendering check and tessel-view are not built")
  return()
endif()
find_package(${TESSEL_QT} COMPONENTS Widgets Test QUIET)
message(STATUS "Qt parts built with ${TESSEL_QT} ${${TESSEL_QT}Core_VERSION}")

# The sample emoticon images as Qt resources, under the prefix the catalogue's
# resource paths (":/Res/FaceMgr/em/<id>.png") name. The resource file is
# written at configure time from data/emoticons/*.png, and only when its
# content changes, so that rcc does not run again for nothing.
file(GLOB TESSEL_EMOTICON_IMAGES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/emoticons/*.png)
set(qrc "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/Res/FaceMgr/em\">\n")
foreach(image ${TESSEL_EMOTICON_IMAGES})
  get_filename_component(name ${image} NAME)
  string(APPEND qrc "  <file alias=\"${name}\">${image}</file>\n")
endforeach()
string(APPEND qrc "</qresource>\n</RCC>\n")
set(TESSEL_EMOTICON_QRC ${PROJECT_BINARY_DIR}/emoticons.qrc)
if(EXISTS ${TESSEL_EMOTICON_QRC})
  file(READ ${TESSEL_EMOTICON_QRC} previous)
endif()
if(NOT previous STREQUAL qrc)
  file(WRITE ${TESSEL_EMOTICON_QRC} "${qrc}")
endif()

# An object library, so that the resources' static registration is always
# linked into the programs that use it.
if(TESSEL_QT STREQUAL "Qt6")
  qt6_add_resources(TESSEL_EMOTICON_RESOURCE_SOURCES ${TESSEL_EMOTICON_QRC})
else()
  qt5_add_resources(TESSEL_EMOTICON_RESOURCE_SOURCES ${TESSEL_EMOTICON_QRC})
endif()
add_library(tessel_emoticon_resources OBJECT ${TESSEL_EMOTICON_RESOURCE_SOURCES})
target_link_libraries(tessel_emoticon_resources PUBLIC ${TESSEL_QT}::Core)

if(TESSEL_BUILD_TESTS)
  enable_testing()  # before the companion's tests are added
endif()
add_subdirectory(qt)
if(TARGET ${TESSEL_QT}::Widgets)
  add_subdirectory(viewer)
endif()
