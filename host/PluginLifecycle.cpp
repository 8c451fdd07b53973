// The prototype and instance life cycle behind function codes 2, 18, 19 and
// 34, and the process's one call of the GL entry-point loader.
#include <GL/glew.h>

#include <memory>
#include <utility>

#include "host/CFFGLPlugin.h"
#include "host/CFFGLPluginDescriptor.h"

CFFGLPlugin* g_prototypePlugin = nullptr;
unsigned char g_glLoaderTried = 0;
unsigned char g_glLoaderReady = 0;

namespace {

// Hosts scanning their plugin folder read the parameters, which makes the
// prototype, and then unload without code 2. The prototype left then is
// deleted at unload rather than lost with every load. It never had InitGL
// and has no thread, so its deletion makes no GL call and joins nothing.
struct DeletePrototypeAtUnload {
  ~DeletePrototypeAtUnload() { delete std::exchange(g_prototypePlugin, nullptr); }
};

// Made with the first prototype, so it runs before the destructors of all
// the static data built at load, which the prototype may still use.
void ArrangePrototypeDeletionAtUnload() { static DeletePrototypeAtUnload deletion; }

}  // namespace

uint32_t Initialise() {
  if (!g_pluginDescriptor) return FF_FAIL;
  if (PluginInitialiseCallback callback = g_pluginDescriptor->GetInitialiseCallback()) {
    const uint32_t result = callback();
    if (result != 0) return result;
  }
  if (g_prototypePlugin) return FF_SUCCESS;
  const uint32_t result = g_pluginDescriptor->GetFactory()(&g_prototypePlugin);
  if (result == FF_FAIL || !g_prototypePlugin) return FF_FAIL;
  ArrangePrototypeDeletionAtUnload();
  return FF_SUCCESS;
}

uint32_t DeInitialise() {
  if (!g_pluginDescriptor) return FF_FAIL;
  // The prototype never had InitGL, so it gets no DeInitGL.
  CFFGLPlugin* prototype = g_prototypePlugin;
  g_prototypePlugin = nullptr;
  delete prototype;
  if (PluginDeinitialiseCallback callback = g_pluginDescriptor->GetDeinitialiseCallback())
    callback();
  return FF_SUCCESS;
}

bool LoadGLEntryPointsOnce() {
  if (!g_glLoaderTried) {
    g_glLoaderTried = 1;
    if (glewInit() == GLEW_OK) g_glLoaderReady = 1;
  }
  return g_glLoaderReady != 0;
}

FFGLValue InstantiateGL(const ViewportRecord* viewport) {
  const FFGLValue fail = FFGLValue::FromUInt(FF_FAIL);
  if (!g_pluginDescriptor || !viewport) return fail;
  if (!g_prototypePlugin) {
    if (Initialise() == FF_FAIL || !g_prototypePlugin) return fail;
  }

  CFFGLPlugin* created = nullptr;
  const uint32_t factoryResult = g_pluginDescriptor->GetFactory()(&created);
  // Owned here until it is handed to the host, so that every way out
  // (a refusal or an exception) deletes it.
  std::unique_ptr<CFFGLPlugin> instance(created);
  if (factoryResult == FF_FAIL || !instance) return fail;
  instance->SetSelf(instance.get());

  // The prototype's store is the only source of types and defaults. The
  // count is read again after every id.
  for (uint32_t id = 0; id < g_prototypePlugin->GetNumParams(); ++id) {
    const uint32_t type = g_prototypePlugin->GetParamType(id);
    const FFGLValue value = g_prototypePlugin->GetParamDefault(id);
    const uint32_t result =
        IsTextParameterType(type)
            ? instance->SetTextParameter(id, static_cast<const char*>(value.AsPointer()))
            : instance->SetFloatParameter(id, value.AsFloat());
    if (result == FF_FAIL) return fail;  // no GL work yet, so no DeInitGL
  }

  if (!LoadGLEntryPointsOnce()) return fail;

  uint32_t initResult;
  try {
    initResult = instance->InitGL(viewport);
  } catch (...) {
    instance->DeInitGL();  // undo whatever InitGL set up before it threw
    throw;
  }
  if (initResult != FF_SUCCESS) {
    instance->DeInitGL();
    return fail;
  }
  return FFGLValue::FromPointer(instance.release());
}

uint32_t DeInstantiateGL(CFFGLPlugin* instance) {
  if (!instance) return FF_FAIL;
  // The handle is dead once this returns whatever happens on the way, so a
  // throwing Disconnect or DeInitGL is treated like one that failed: the
  // teardown goes on and the object is always deleted.
  std::unique_ptr<CFFGLPlugin> owned(instance);
  if (owned->IsConnected()) {
    try {
      owned->Disconnect();
    } catch (...) {
    }
    owned->SetConnected(false);
  }
  try {
    owned->DeInitGL();
  } catch (...) {
  }
  return FF_SUCCESS;
}
