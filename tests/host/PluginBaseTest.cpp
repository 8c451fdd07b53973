// The plugin base class's defaults, the display text, the thumbnail and the
// log forwarding, in-process.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/CFFGLPlugin.h"
#include "host/PlugMain.h"
#include "host/ThumbnailImage.h"

namespace {

// Answers whatever float or text the test puts in.
class ValuePlugin : public CFFGLPlugin {
 public:
  ValuePlugin() : CFFGLPlugin(false) {
    SetParamInfo(0, "value", FF_TYPE_STANDARD, 0.0f);
    SetParamInfo(1, "text", FF_TYPE_TEXT, "");
    SetParamInfo(2, "file", FF_TYPE_FILE, "");
  }
  float GetFloatParameter(uint32_t) override { return value; }
  char* GetTextParameter(uint32_t) override { return text; }
  float value = 0.0f;
  char* text = nullptr;
};

TEST(PluginBase, NewObjectHasTheDocumentedDefaults) {
  CFFGLPlugin plugin(false);
  EXPECT_EQ(plugin.GetNumParams(), 0u);
  EXPECT_FALSE(plugin.IsConnected());
  EXPECT_EQ(plugin.GetBpm(), 120.0f);
  EXPECT_EQ(plugin.GetBarPhase(), 0.0f);
  EXPECT_EQ(plugin.GetHostText1(), "");
  EXPECT_EQ(plugin.GetHostText2(), "");
  EXPECT_EQ(plugin.SetFloatParameter(0, 1.0f), FF_FAIL);
  EXPECT_EQ(plugin.SetTextParameter(0, "x"), FF_FAIL);
  EXPECT_EQ(plugin.GetFloatParameter(0), 0.0f);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(plugin.GetTextParameter(0)), uintptr_t{0xFFFFFFFFu});
  ProcessOpenGLRecord frame{};
  EXPECT_EQ(plugin.ProcessOpenGL(&frame), FF_FAIL);
  EXPECT_EQ(plugin.GetShortName(), nullptr);
  EXPECT_EQ(plugin.Connect(), FF_SUCCESS);
  EXPECT_EQ(plugin.Disconnect(), FF_SUCCESS);
  EXPECT_EQ(plugin.DeInitGL(), FF_SUCCESS);
}

TEST(PluginBase, DefaultsStoreWhatTheHostSends) {
  CFFGLPlugin plugin(false);
  const ViewportRecord viewport{1, 2, 30, 40};
  EXPECT_EQ(plugin.InitGL(&viewport), FF_SUCCESS);
  EXPECT_EQ(plugin.GetViewport().width, 30u);
  EXPECT_EQ(plugin.GetViewport().y, 2u);
  const ViewportRecord resized{0, 0, 8, 9};
  EXPECT_EQ(plugin.Resize(&resized), FF_SUCCESS);
  EXPECT_EQ(plugin.GetViewport().height, 9u);
  EXPECT_EQ(plugin.SetTime(0.1), FF_SUCCESS);
  EXPECT_EQ(plugin.GetHostTime(), 0.1);  // kept as a double
  plugin.SetBeatInfo(128.0f, 0.25f);
  EXPECT_EQ(plugin.GetBpm(), 128.0f);
  EXPECT_EQ(plugin.GetBarPhase(), 0.25f);
  plugin.SetHostInfo("Host", "7.3.2");
  EXPECT_EQ(plugin.GetHostText1(), "Host");
  EXPECT_EQ(plugin.GetHostText2(), "7.3.2");
  plugin.SetHostInfo(nullptr, nullptr);  // a careless host does not crash us
  EXPECT_EQ(plugin.GetHostText1(), "");
  plugin.SetSampleRate(48000);
  EXPECT_EQ(plugin.GetSampleRate(), 48000u);
}

TEST(PluginBase, InputStatusFollowsTheMaximumInputCount) {
  CFFGLPlugin plugin(false);
  EXPECT_EQ(plugin.GetInputStatus(0), FF_FAIL);
  plugin.SetMaxInputs(1);
  EXPECT_EQ(plugin.GetInputStatus(0), 1u);
  EXPECT_EQ(plugin.GetInputStatus(1), FF_FAIL);
}

TEST(PluginBase, DisplayFormatsFloatsIntoFifteenCharacters) {
  ValuePlugin plugin;
  plugin.SetSelf(&plugin);
  plugin.value = 0.5f;
  EXPECT_STREQ(plugin.GetParameterDisplay(0), "0.500000");
  plugin.value = -1.0f;
  EXPECT_STREQ(plugin.GetParameterDisplay(0), "-1.000000");
  plugin.value = 1000000000.0f;
  const char* display = plugin.GetParameterDisplay(0);
  EXPECT_STREQ(display, "1000000000.0000");
  // The buffer is shared: a shorter text afterwards leaves no old tail.
  plugin.value = 0.0f;
  EXPECT_EQ(plugin.GetParameterDisplay(0), display);
  EXPECT_EQ(std::memcmp(display, "0.000000\0\0\0\0\0\0\0\0", 16), 0);
  plugin.value = 3.0e38f;
  EXPECT_EQ(std::strlen(plugin.GetParameterDisplay(0)), 15u);
  EXPECT_EQ(plugin.GetParameterDisplay(7), nullptr);
}

TEST(PluginBase, DisplayOfTextTypesIsTheTextPointerUnchanged) {
  ValuePlugin plugin;
  plugin.SetSelf(&plugin);
  char text[] = "some text that is longer than fifteen";
  plugin.text = text;
  EXPECT_EQ(plugin.GetParameterDisplay(1), text);
  EXPECT_EQ(plugin.GetParameterDisplay(2), text);

  // Without an override the FF_FAIL pointer value passes straight through.
  class TextOnly : public CFFGLPlugin {
   public:
    TextOnly() : CFFGLPlugin(false) { SetParamInfo(0, "t", FF_TYPE_TEXT, "x"); }
  } bare;
  bare.SetSelf(&bare);
  EXPECT_EQ(bare.GetParameterDisplay(0), FFGLFailTextPointer());
}

TEST(Thumbnail, PixelsPackTheirComponentsFirstHighest) {
  EXPECT_EQ(ThumbnailPixel().value, 0u);
  EXPECT_EQ(ThumbnailPixel(0x11223344u).value, 0x11223344u);
  EXPECT_EQ(ThumbnailPixel(0x11, 0x22, 0x33, 0x44).value, 0x11223344u);
  EXPECT_EQ(ThumbnailPixel(0xFF, 0, 0, 0x01).value, 0xFF000001u);
}

TEST(Thumbnail, CodeFortyTwoReportsTheRegisteredThumbnail) {
  ThumbnailRecord record{7, 7, nullptr};
  ASSERT_EQ(g_thumbnail, nullptr);
  EXPECT_EQ(plugMain(FF_GET_THUMBNAIL, FFGLValue::FromPointer(&record), nullptr).bits, FF_FAIL);
  EXPECT_EQ(record.width, 0u);
  EXPECT_EQ(record.height, 0u);
  EXPECT_EQ(plugMain(FF_GET_THUMBNAIL, FFGLValue::FromPointer(nullptr), nullptr).bits, FF_FAIL);

  {
    // Owned pixels are padded with zeros up to width x height.
    ThumbnailImage image(2, 2, std::vector<ThumbnailPixel>{ThumbnailPixel(1, 2, 3, 4)});
    ASSERT_EQ(g_thumbnail, &image);
    record = ThumbnailRecord{0, 0, nullptr};
    EXPECT_EQ(plugMain(FF_GET_THUMBNAIL, FFGLValue::FromPointer(&record), nullptr).bits,
              FF_SUCCESS);
    EXPECT_EQ(record.width, 2u);
    EXPECT_EQ(record.height, 2u);
    std::vector<uint32_t> pixels(4, 0xAAAAAAAAu);
    record.rgbaPixelBuffer = pixels.data();
    EXPECT_EQ(plugMain(FF_GET_THUMBNAIL, FFGLValue::FromPointer(&record), nullptr).bits,
              FF_SUCCESS);
    EXPECT_EQ(pixels, (std::vector<uint32_t>{0x01020304u, 0, 0, 0}));

    // A later thumbnail replaces it; its pixels are the caller's own.
    const uint32_t borrowed[1] = {0xCAFEF00Du};
    ThumbnailImage second(1, 1, borrowed);
    EXPECT_EQ(g_thumbnail, &second);
    EXPECT_EQ(plugMain(FF_GET_THUMBNAIL, FFGLValue::FromPointer(&record), nullptr).bits,
              FF_SUCCESS);
    EXPECT_EQ(pixels[0], 0xCAFEF00Du);

    // 65536 x 65537 pixels hold only 65536 once the size wraps in 32 bits:
    // those are copied and nothing beyond them is read or written.
    ThumbnailImage wrapped(65536, 65537, std::vector<ThumbnailPixel>{ThumbnailPixel(7u)});
    const std::size_t held = 65536, guard = 16;
    std::vector<uint32_t> buffer(held + guard, 0xAAAAAAAAu);
    record.rgbaPixelBuffer = buffer.data();
    EXPECT_EQ(plugMain(FF_GET_THUMBNAIL, FFGLValue::FromPointer(&record), nullptr).bits,
              FF_SUCCESS);
    EXPECT_EQ(record.width, 65536u);
    EXPECT_EQ(record.height, 65537u);
    EXPECT_EQ(buffer[0], 7u);
    EXPECT_EQ(buffer[held - 1], 0u);
    EXPECT_EQ(std::vector<uint32_t>(buffer.begin() + held, buffer.end()),
              std::vector<uint32_t>(guard, 0xAAAAAAAAu));
  }
  // A destroyed thumbnail is no longer handed out.
  EXPECT_EQ(g_thumbnail, nullptr);
  EXPECT_EQ(plugMain(FF_GET_THUMBNAIL, FFGLValue::FromPointer(&record), nullptr).bits, FF_FAIL);
}

std::vector<std::string> g_logged;
void CollectLog(const char* text) { g_logged.emplace_back(text); }

TEST(HostLog, ForwardsTextsOnlyWhenACallbackIsSet) {
  g_logged.clear();
  SetLogCallback(nullptr);
  LogToHost("dropped");
  SetLogCallback(CollectLog);
  EXPECT_EQ(g_hostLogCallback, &CollectLog);
  LogToHost("one line");
  LogToHost(nullptr);
  SetLogCallback(nullptr);
  LogToHost("dropped again");
  EXPECT_EQ(g_logged, std::vector<std::string>{"one line"});
}

}  // namespace
