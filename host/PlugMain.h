// The library's two exports and the dispatcher's helpers.
//
// plugMain answers every host call from the registered descriptor, the
// prototype, the instance the host passes, or the registered thumbnail. No
// exception leaves either export: a failure inside is answered as FF_FAIL, or
// as a null pointer where the code answers a pointer.
#pragma once

#include <cstdint>

#include "host/FFGLBoundary.h"

#if defined(_WIN32)
#define FFGL_EXPORT extern "C" __declspec(dllexport)
#else
#define FFGL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

FFGL_EXPORT FFGLValue plugMain(uint32_t functionCode, FFGLValue input,
                               FFGLInstanceHandle instance);
FFGL_EXPORT void SetLogCallback(HostLogFunction callback);

// The host's log function, or null.
extern HostLogFunction g_hostLogCallback;

// Forwards one text, unchanged, to the host's log when both are set.
void LogToHost(const char* text);

// The type of parameter `id` in the prototype's store (creating the
// prototype when missing); FF_FAIL when there is no prototype or no such id.
uint32_t GetParameterTypeOfPrototype(uint32_t id);

// Function code 10.
uint32_t GetPluginCaps(uint32_t capability);
