// The library's one registration record. Only the plugin library links this
// file, so test programs can register descriptors of their own.
#include "host/CFFGLPluginDescriptor.h"
#include "preview/KestrinPreview.h"

namespace {

CFFGLPluginDescriptor g_kestrinPreviewDescriptor(
    KestrinPreview::CreateInstance, "KNPR", "KESTRIN Preview",
    2, 1,  // API version
    1, 1,  // plugin version
    FF_SOURCE, "Clean KESTRIN viewport via NDI", "KESTRIN Preview 1.1 - Host 7.3.2+",
    0, nullptr);

}  // namespace
