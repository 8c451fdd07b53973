// Runs KestrinPreview.so as a host would: loaded through the plugin host,
// with the simulated NDI runtime playing "KESTRIN - Viewport (Demo)" and found
// through NDI_RUNTIME_DIR_V6. Draws a few seconds of frames into a 1280 x 720
// layer, collects every "Connection" text announced through codes 46 and 9,
// and writes what the layer shows.
//
//   kestrin_demo <output folder>
//
// Writes preview.png (the 1280 x 720 layer), preview-square.png (the same
// picture framed Fit into a 720 x 720 layer) and status.txt (the texts, one a
// line). Exits non-zero unless the layer ends up receiving the demo source.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "GlContext.h"
#include "testing/ndi_runtime_sim/NdiSimControl.h"
#include "testing/ndi_runtime_sim/SimEnvironment.h"
#include "testing/plugin_host/HostFramebuffer.h"
#include "testing/plugin_host/PluginHost.h"

namespace {

constexpr uint32_t kConnectionParam = 5;
constexpr auto kRunTime = std::chrono::seconds(3);
constexpr auto kFrameInterval = std::chrono::milliseconds(33);
const std::string kExpectedStatus = std::string("Receiving: ") + NDISIM_DEMO_SOURCE_NAME;

int Fail(const std::string& message) {
  std::fprintf(stderr, "demo: %s\n", message.c_str());
  return 1;
}

// Collects the "Connection" texts the way a host does: when code 46 reports a
// value change on the parameter, read the new text with code 9.
void CollectStatus(const testhost::PluginInstance& instance, std::vector<std::string>& texts) {
  if (instance.GetNumPendingParameterEvents() == 0) return;
  const testhost::ParameterEvents events = instance.TakeParameterEvents(16);
  for (const ParameterEventRecord& event : events.events) {
    if (event.parameterID != kConnectionParam || !(event.eventFlags & FF_EVENT_FLAG_VALUE)) {
      continue;
    }
    const char* text = instance.GetTextParameter(kConnectionParam);
    texts.emplace_back(text ? text : "(null)");
    std::printf("Connection: %s\n", texts.back().c_str());
  }
}

bool WriteLayer(testhost::HostFramebuffer& layer, const std::filesystem::path& path) {
  std::string error;
  if (!testhost::WritePng(path.string(), layer.ReadPixels(), error)) {
    std::fprintf(stderr, "demo: %s: %s\n", path.string().c_str(), error.c_str());
    return false;
  }
  std::printf("Wrote %s\n", path.string().c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return Fail("usage: kestrin_demo <output folder>");
  const std::filesystem::path outputFolder = argv[1];
  std::error_code folderError;
  std::filesystem::create_directories(outputFolder, folderError);
  if (folderError) return Fail("cannot create " + outputFolder.string());

  ndisim::ScopedRuntimeFolder runtimeFolder{NDISIM_RUNTIME_DIR};
  NdiSim_Reset();
  NdiSim_SetDemoSource(1);

  std::string error;
  auto context = testgl::CreateCurrentContextWithGlew(error);
  if (!context) return Fail(error);
  auto layer = testhost::HostFramebuffer::Create(1280, 720, error);
  auto squareLayer = testhost::HostFramebuffer::Create(720, 720, error);
  if (!layer || !squareLayer) return Fail(error);

  auto library = testhost::PluginLibrary::Load(KESTRIN_PREVIEW_PATH, error);
  if (!library) return Fail(error);
  std::printf("Loaded %s (%.16s)\n", KESTRIN_PREVIEW_PATH, library->GetInfo()->PluginName);

  std::vector<std::string> texts;
  {
    auto instance = library->Instantiate(layer->Viewport());
    if (!instance) return Fail("instantiation failed");

    const auto end = std::chrono::steady_clock::now() + kRunTime;
    while (std::chrono::steady_clock::now() < end) {
      instance->RenderFrame(*layer);
      CollectStatus(*instance, texts);
      std::this_thread::sleep_for(kFrameInterval);
    }
    instance->RenderFrame(*squareLayer);
    CollectStatus(*instance, texts);

    if (!WriteLayer(*layer, outputFolder / "preview.png") ||
        !WriteLayer(*squareLayer, outputFolder / "preview-square.png")) {
      return 1;
    }
  }

  std::ofstream status(outputFolder / "status.txt");
  for (const std::string& text : texts) status << text << '\n';
  if (!status) return Fail("cannot write status.txt");
  std::printf("Wrote %s\n", (outputFolder / "status.txt").string().c_str());

  if (texts.empty() || texts.back() != kExpectedStatus) {
    return Fail("the layer did not end up receiving " NDISIM_DEMO_SOURCE_NAME);
  }
  return 0;
}
