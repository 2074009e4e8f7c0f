#pragma once
// VDCOMMON_API marks what the shared library exports: the library is built with
// hidden symbols, so only the classes and functions carrying it are visible to an
// application. A static build exports nothing and the macro is harmless there.

#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(VDCOMMON_STATIC)
#define VDCOMMON_API
#elif defined(VDCOMMON_BUILDING)
#define VDCOMMON_API __declspec(dllexport)
#else
#define VDCOMMON_API __declspec(dllimport)
#endif
#elif defined(__GNUC__) || defined(__clang__)
#define VDCOMMON_API __attribute__((visibility("default")))
#else
#define VDCOMMON_API
#endif
