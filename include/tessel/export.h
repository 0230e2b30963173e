// SPDX-License-Identifier: MIT
/// @file
/// Marks the symbols that the shared library exports; everything else is
/// hidden.
///
/// Clients of the shared library define nothing. Clients of the static
/// library define @c TESSEL_STATIC (the CMake target Tessel::tessel_static
/// and the pkg-config file tessel-static do it for them): on Windows the
/// declarations then carry no @c dllimport. The library's own build defines
/// @c TESSEL_BUILDING.
#pragma once

#if defined(_WIN32)
#  if defined(TESSEL_BUILDING)
#    define TESSEL_API __declspec(dllexport)
#  elif defined(TESSEL_STATIC)
#    define TESSEL_API
#  else
#    define TESSEL_API __declspec(dllimport)
#  endif
#else
/// Marks a function or class as part of the library's exported interface.
#  define TESSEL_API __attribute__((visibility("default")))
#endif
