// Shared by the NDI tests: waiting on a condition, temporary folders holding
// copies of the simulated runtime, and test pictures.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "testing/ndi_runtime_sim/NdiSimControl.h"
#include "testing/ndi_runtime_sim/SimHelpers.h"
#include "testing/portable/TestOs.h"

namespace nditest {

namespace fs = std::filesystem;

using testos::WaitUntil;

using ndisim::RuntimeFile;

// The simulated runtime built without the load export.
inline fs::path SimRuntimeWithoutExportFile() {
  return testos::NativePath(NDISIM_RUNTIME_WITHOUT_EXPORT_DIR) / NDISIM_RUNTIME_FILE_NAME;
}

// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the scope.
class TempFolder {
 public:
  TempFolder() : path(testos::MakeTempFolder("ndi-test-")) {
    if (path.empty()) ADD_FAILURE() << "cannot create a temporary folder";
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Copies `library` into `relativeFolder` ('/' separated) below this
  // folder; a copy is a library of its own to the dynamic loader.
  fs::path PlaceRuntime(const std::string& relativeFolder = {},
                        const fs::path& library = RuntimeFile()) const {
    const fs::path folder = path / testos::NativePath(relativeFolder);
    fs::create_directories(folder);
    fs::copy_file(library, folder / NDISIM_RUNTIME_FILE_NAME, fs::copy_options::overwrite_existing);
    return folder / NDISIM_RUNTIME_FILE_NAME;
  }

  // A folder below this one as the OS writes it (an environment value).
  std::string Text(const std::string& relativeFolder = {}) const {
    return testos::PathText(relativeFolder.empty() ? path : path / testos::NativePath(relativeFolder));
  }

  fs::path path;
};

// A frame description whose rows hold distinct bytes and whose padding past
// each row is 0xEE, so a copy that takes padding or mixes rows shows.
struct TestPicture {
  NdiSimFrame frame{};
  std::vector<std::uint8_t> bytes;

  TestPicture(std::int32_t width, std::int32_t height, std::int32_t stride,
              std::uint32_t fourCC = kNdiFourCCBgra, float aspect = 0.0f) {
    const std::size_t rows = height > 0 ? static_cast<std::size_t>(height) : 1;
    const std::size_t rowBytes = stride > 0 ? static_cast<std::size_t>(stride) : 4;
    bytes.assign(rows * rowBytes, 0xEE);
    for (std::size_t y = 0; y < rows; ++y) {
      const std::size_t used = std::min<std::size_t>(rowBytes, width > 0 ? width * 4u : 0u);
      for (std::size_t i = 0; i < used; ++i) {
        bytes[y * rowBytes + i] = static_cast<std::uint8_t>(y * 31 + i);
      }
    }
    frame = {width, height, fourCC, stride, aspect, bytes.data(), bytes.size()};
  }

  // The record the runtime would hand over for this picture.
  NdiVideoFrameRecord Record() {
    NdiVideoFrameRecord record{};
    record.xres = frame.width;
    record.yres = frame.height;
    record.fourCC = frame.fourCC;
    record.lineStride = frame.lineStride;
    record.pictureAspectRatio = frame.aspect;
    record.data = bytes.data();
    return record;
  }

  // The rows packed to width * 4 bytes, as a VideoFrame should hold them.
  std::vector<std::uint8_t> Packed() const {
    std::vector<std::uint8_t> packed;
    for (std::int32_t y = 0; y < frame.height; ++y) {
      const auto row = bytes.begin() + static_cast<std::ptrdiff_t>(y) * frame.lineStride;
      packed.insert(packed.end(), row, row + frame.width * 4);
    }
    return packed;
  }
};

}  // namespace nditest
