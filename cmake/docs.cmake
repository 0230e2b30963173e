# SPDX-License-Identifier: MIT
# The `docs` target: the API reference of the installed headers, made by
# Doxygen into <build>/docs/html/ (index.html). Every Doxygen warning fails
# it, and a public name without documentation is a warning.
#
# Included at the end of the top-level CMakeLists.txt. Another folder of
# public headers joins the reference when it is appended, before that, to
# TESSEL_DOCS_INPUTS, with the folder its #include paths start from
# appended to TESSEL_DOCS_INCLUDE_ROOTS:
#   list(APPEND TESSEL_DOCS_INPUTS ${PROJECT_SOURCE_DIR}/qt/include/tessel/qt)
#   list(APPEND TESSEL_DOCS_INCLUDE_ROOTS ${PROJECT_SOURCE_DIR}/qt/include)
find_package(Doxygen QUIET)

list(APPEND TESSEL_DOCS_INPUTS
  ${PROJECT_SOURCE_DIR}/docs/mainpage.md
  ${PROJECT_SOURCE_DIR}/include/tessel
  ${TESSEL_GENERATED_INCLUDE}/tessel/version.h)
list(APPEND TESSEL_DOCS_INCLUDE_ROOTS ${PROJECT_SOURCE_DIR}/include ${TESSEL_GENERATED_INCLUDE})

if(NOT DOXYGEN_FOUND)
  add_custom_target(docs
    COMMAND ${CMAKE_COMMAND} -E echo "docs: Doxygen is not installed (scripts/setup.sh installs it)"
    COMMAND ${CMAKE_COMMAND} -E false)
  return()
endif()

set(TESSEL_DOCS_OUTPUT ${PROJECT_BINARY_DIR}/docs)
string(REPLACE ";" "\" \"" TESSEL_DOCS_INPUT_LIST "\"${TESSEL_DOCS_INPUTS}\"")
string(REPLACE ";" "\" \"" TESSEL_DOCS_STRIP_LIST "\"${TESSEL_DOCS_INCLUDE_ROOTS}\"")
configure_file(docs/Doxyfile.in ${TESSEL_DOCS_OUTPUT}/Doxyfile @ONLY)

add_custom_target(docs
  COMMAND ${DOXYGEN_EXECUTABLE} ${TESSEL_DOCS_OUTPUT}/Doxyfile
  WORKING_DIRECTORY ${TESSEL_DOCS_OUTPUT}
  COMMENT "API reference: ${TESSEL_DOCS_OUTPUT}/html/index.html"
  VERBATIM)
