# Qt is used only by the rendering check (tests/qt) and the viewer (viewer/),
# never by the library. Without Qt 5 both are left out and the build goes on.
option(TESSEL_WITH_QT "Build the Qt rendering check and tessel-view when Qt 5 is found" ON)
if(NOT TESSEL_WITH_QT)
  return()
endif()

find_package(Qt5 COMPONENTS Gui Widgets QUIET)
if(NOT Qt5Gui_FOUND OR NOT Qt5Widgets_FOUND)
  message(STATUS "Qt 5 Gui/Widgets not found: the Qt rendering check and tessel-view are not built")
  return()
endif()

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
qt5_add_resources(TESSEL_EMOTICON_RESOURCE_SOURCES ${TESSEL_EMOTICON_QRC})
add_library(tessel_emoticon_resources OBJECT ${TESSEL_EMOTICON_RESOURCE_SOURCES})
target_link_libraries(tessel_emoticon_resources PUBLIC Qt5::Core)

add_subdirectory(viewer)
