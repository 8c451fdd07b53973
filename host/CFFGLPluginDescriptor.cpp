#include "host/CFFGLPluginDescriptor.h"

#include <cstring>

CFFGLPluginDescriptor* g_pluginDescriptor = nullptr;

namespace {

// Byte by byte up to and including the first NUL, at most `size` bytes; the
// rest of the field keeps its zeros.
void CopyIntoField(char* field, std::size_t size, const char* text) {
  if (!text) return;
  for (std::size_t i = 0; i < size; ++i) {
    field[i] = text[i];
    if (text[i] == '\0') break;
  }
}

}  // namespace

CFFGLPluginDescriptor::CFFGLPluginDescriptor(
    PluginFactory factory, const char* uniqueId, const char* name, uint32_t apiMajorVersion,
    uint32_t apiMinorVersion, uint32_t pluginMajorVersion, uint32_t pluginMinorVersion,
    uint32_t pluginType, const char* description, const char* about, uint32_t extendedDataSize,
    const void* extendedData, PluginInitialiseCallback initialiseCallback,
    PluginDeinitialiseCallback deinitialiseCallback)
    : about_(about ? about : ""),
      description_(description ? description : ""),
      factory_(factory),
      initialiseCallback_(initialiseCallback),
      deinitialiseCallback_(deinitialiseCallback) {
  info_.APIMajorVersion = apiMajorVersion;
  info_.APIMinorVersion = apiMinorVersion;
  CopyIntoField(info_.PluginName, sizeof info_.PluginName, name);
  CopyIntoField(info_.PluginUniqueID, sizeof info_.PluginUniqueID, uniqueId);
  info_.PluginType = pluginType;

  extendedInfo_.Description = description_.c_str();
  extendedInfo_.About = about_.c_str();
  extendedInfo_.PluginMajorVersion = pluginMajorVersion;
  extendedInfo_.PluginMinorVersion = pluginMinorVersion;
  if (extendedDataSize > 0 && extendedData) {
    const auto* bytes = static_cast<const unsigned char*>(extendedData);
    extendedData_.assign(bytes, bytes + extendedDataSize);
    extendedInfo_.FreeFrameExtendedDataSize = extendedDataSize;
    extendedInfo_.FreeFrameExtendedDataBlock = extendedData_.data();
  } else {
    extendedInfo_.FreeFrameExtendedDataSize = 0;
    extendedInfo_.FreeFrameExtendedDataBlock = nullptr;
  }

  g_pluginDescriptor = this;
}

CFFGLPluginDescriptor::~CFFGLPluginDescriptor() = default;
