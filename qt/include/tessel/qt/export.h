// SPDX-License-Identifier: MIT
/// \file
/// \brief Marks the symbols that the companion library libtessel-qt exports;
/// everything else in it is hidden.
#pragma once

#if defined(_WIN32)
#if defined(TESSEL_QT_BUILDING)
#define TESSEL_QT_API __declspec(dllexport)
#else
#define TESSEL_QT_API __declspec(dllimport)
#endif
#else
/// Exports a class or function of libtessel-qt.
#define TESSEL_QT_API __attribute__((visibility("default")))
#endif
