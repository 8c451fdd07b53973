// Export markers of the simulated NDI runtime's two libraries.
#pragma once

#if defined(_WIN32)
#define NDISIM_EXPORT __declspec(dllexport)
#ifdef NDISIM_BUILDING_STATE
#define NDISIM_STATE_API __declspec(dllexport)
#else
#define NDISIM_STATE_API __declspec(dllimport)
#endif
#else
#define NDISIM_EXPORT __attribute__((visibility("default")))
#define NDISIM_STATE_API __attribute__((visibility("default")))
#endif
