// The one registration record of a plugin library, and the life cycle of the
// plugin objects made from it: the prototype that answers class-level
// queries, and the instances the host creates and deletes with its GL context
// current.
//
// A plugin library defines exactly one static CFFGLPluginDescriptor in a
// source file of its own; constructing it registers it as the process's
// descriptor (g_pluginDescriptor). Loading the library does nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/FFGLBoundary.h"

class CFFGLPlugin;

// Stores a new plugin object at *instance (null on failure) and answers
// FF_SUCCESS or FF_FAIL. The caller owns the object.
using PluginFactory = uint32_t (*)(CFFGLPlugin** instance);
// Runs on every Initialise; anything but 0 is passed on and stops it.
using PluginInitialiseCallback = uint32_t (*)();
// Runs on every DeInitialise; its result is not used.
using PluginDeinitialiseCallback = uint32_t (*)();

class CFFGLPluginDescriptor {
 public:
  CFFGLPluginDescriptor(PluginFactory factory, const char* uniqueId, const char* name,
                        uint32_t apiMajorVersion, uint32_t apiMinorVersion,
                        uint32_t pluginMajorVersion, uint32_t pluginMinorVersion,
                        uint32_t pluginType, const char* description, const char* about,
                        uint32_t extendedDataSize = 0, const void* extendedData = nullptr,
                        PluginInitialiseCallback initialiseCallback = nullptr,
                        PluginDeinitialiseCallback deinitialiseCallback = nullptr);
  // Leaves g_pluginDescriptor as it is: the descriptor dies with the library.
  ~CFFGLPluginDescriptor();

  CFFGLPluginDescriptor(const CFFGLPluginDescriptor&) = delete;
  CFFGLPluginDescriptor& operator=(const CFFGLPluginDescriptor&) = delete;

  const PluginInfoRecord* GetInfo() const { return &info_; }
  const ExtendedInfoRecord* GetExtendedInfo() const { return &extendedInfo_; }
  PluginFactory GetFactory() const { return factory_; }
  PluginInitialiseCallback GetInitialiseCallback() const { return initialiseCallback_; }
  PluginDeinitialiseCallback GetDeinitialiseCallback() const { return deinitialiseCallback_; }

 private:
  PluginInfoRecord info_{};
  ExtendedInfoRecord extendedInfo_{};
  std::string about_;
  std::string description_;  // destroyed before about_
  PluginFactory factory_;
  PluginInitialiseCallback initialiseCallback_;
  PluginDeinitialiseCallback deinitialiseCallback_;
  std::vector<unsigned char> extendedData_;  // our own copy of the caller's block
};

// Process globals, all zero when the library is loaded.
extern CFFGLPluginDescriptor* g_pluginDescriptor;
extern CFFGLPlugin* g_prototypePlugin;
extern unsigned char g_glLoaderTried;  // glewInit has been called in this process
extern unsigned char g_glLoaderReady;  // and it succeeded

// Function code 34, and the on-demand creation of the prototype.
uint32_t Initialise();
// Function code 2: deletes the prototype only; live instances stay.
uint32_t DeInitialise();
// Function code 18: the new instance as a 64-bit pointer, or FF_FAIL.
FFGLValue InstantiateGL(const ViewportRecord* viewport);
// Function code 19: Disconnect (when connected), DeInitGL, delete.
uint32_t DeInstantiateGL(CFFGLPlugin* instance);
// Calls glewInit the first time only; true when the GL entry points are ready.
bool LoadGLEntryPointsOnce();
