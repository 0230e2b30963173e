// Marks the symbols that the shared library exports; everything else is hidden.
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
#  define TESSEL_API __attribute__((visibility("default")))
#endif
