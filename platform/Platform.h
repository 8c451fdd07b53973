// The thin layer over operating-system services: bounded environment reads,
// loading a library from a full path, export lookup, unloading, and the
// debugger output channel. One implementation per OS (PlatformLinux.cpp,
// PlatformWindows.cpp); callers never include an OS header themselves.
#pragma once

#include <cstddef>
#include <string>

#ifdef _WIN32
#define PLATFORM_TEXT(s) L##s
#else
#define PLATFORM_TEXT(s) s
#endif

namespace platform {

#ifdef _WIN32
using NativeChar = wchar_t;  // paths and environment values are UTF-16
#else
using NativeChar = char;
#endif
using NativeString = std::basic_string<NativeChar>;

// An environment value must be shorter than this many units to be usable.
constexpr std::size_t kEnvironmentBufferUnits = 32768;

// Reads the variable into `value`. False, with `value` untouched, when the
// variable is unset, empty, or kEnvironmentBufferUnits units or longer.
bool ReadEnvironmentVariable(const NativeChar* name, NativeString& value);

// An opaque loaded-library handle; null means none.
using LibraryHandle = void*;

// Loads the library at a full path, searching the library's own folder for
// its dependencies. Null on failure.
LibraryHandle LoadLibraryFromPath(const NativeString& path);

// Looks up an export by its 8-bit name. Null when absent.
void* FindExport(LibraryHandle library, const char* name);

// Unloads a library loaded by LoadLibraryFromPath. Null is ignored.
void FreeLibraryHandle(LibraryHandle library);

// Writes text, unchanged, to the debugger output channel where the OS has
// one; elsewhere does nothing.
void WriteDebuggerOutput(const char* text);

}  // namespace platform
