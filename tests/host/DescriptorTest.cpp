// The registration record, and what the dispatcher answers without one.
#include <gtest/gtest.h>

#include <cstring>

#include "host/CFFGLPlugin.h"
#include "host/CFFGLPluginDescriptor.h"
#include "host/PlugMain.h"

namespace {

uint32_t NoPlugin(CFFGLPlugin** instance) {
  *instance = nullptr;
  return FF_FAIL;
}

FFGLValue Call(uint32_t code, FFGLValue input = FFGLValue{0}) {
  return plugMain(code, input, nullptr);
}

TEST(Descriptor, FillsTheInformationRecordsAndRegistersItself) {
  static const unsigned char extended[3] = {1, 2, 3};
  static CFFGLPluginDescriptor descriptor(NoPlugin, "ABC", "Exactly16Chars!!", 2, 1, 1, 4,
                                          FF_SOURCE, "The description", "The about text", 3,
                                          extended);
  EXPECT_EQ(g_pluginDescriptor, &descriptor);

  const PluginInfoRecord* info = descriptor.GetInfo();
  EXPECT_EQ(info->APIMajorVersion, 2u);
  EXPECT_EQ(info->APIMinorVersion, 1u);
  EXPECT_EQ(std::memcmp(info->PluginUniqueID, "ABC\0", 4), 0);
  EXPECT_EQ(std::memcmp(info->PluginName, "Exactly16Chars!!", 16), 0);  // no terminator
  EXPECT_EQ(info->PluginType, FF_SOURCE);

  const ExtendedInfoRecord* extendedInfo = descriptor.GetExtendedInfo();
  EXPECT_EQ(extendedInfo->PluginMajorVersion, 1u);
  EXPECT_EQ(extendedInfo->PluginMinorVersion, 4u);
  EXPECT_STREQ(extendedInfo->Description, "The description");
  EXPECT_STREQ(extendedInfo->About, "The about text");
  ASSERT_EQ(extendedInfo->FreeFrameExtendedDataSize, 3u);
  EXPECT_EQ(std::memcmp(extendedInfo->FreeFrameExtendedDataBlock, extended, 3), 0);

  EXPECT_EQ(descriptor.GetFactory(), &NoPlugin);
  EXPECT_EQ(descriptor.GetInitialiseCallback(), nullptr);
  EXPECT_EQ(descriptor.GetDeinitialiseCallback(), nullptr);

  // Codes 0 and 13 hand out the records themselves.
  EXPECT_EQ(Call(FF_GET_INFO).AsPointer(), info);
  EXPECT_EQ(Call(FF_GET_EXTENDED_INFO).AsPointer(), extendedInfo);
}

TEST(Descriptor, LongNamesAreCutAndShortOnesZeroPadded) {
  static CFFGLPluginDescriptor descriptor(NoPlugin, "TOOLONG", "A name longer than sixteen",
                                          2, 1, 1, 0, FF_SOURCE, "", "", 5, nullptr);
  const PluginInfoRecord* info = descriptor.GetInfo();
  EXPECT_EQ(std::memcmp(info->PluginUniqueID, "TOOL", 4), 0);
  EXPECT_EQ(std::memcmp(info->PluginName, "A name longer th", 16), 0);
  // A size without a block counts as no extended data.
  EXPECT_EQ(descriptor.GetExtendedInfo()->FreeFrameExtendedDataSize, 0u);
  EXPECT_EQ(descriptor.GetExtendedInfo()->FreeFrameExtendedDataBlock, nullptr);

  static CFFGLPluginDescriptor shortName(NoPlugin, "S", "Short", 2, 1, 1, 0, FF_SOURCE, "", "");
  EXPECT_EQ(std::memcmp(shortName.GetInfo()->PluginName, "Short\0\0\0\0\0\0\0\0\0\0\0", 16), 0);
  EXPECT_EQ(g_pluginDescriptor, &shortName);  // the later descriptor wins
}

TEST(Descriptor, AFailingFactoryMakesEveryClassLevelQueryUnavailable) {
  static CFFGLPluginDescriptor descriptor(NoPlugin, "FAIL", "Failing", 2, 1, 1, 0, FF_SOURCE,
                                          "", "");
  ASSERT_EQ(g_pluginDescriptor, &descriptor);
  EXPECT_EQ(Call(FF_INITIALISE).bits, FF_FAIL);
  EXPECT_EQ(Call(FF_GET_NUM_PARAMETERS).bits, FF_FAIL);
  EXPECT_EQ(Call(FF_GET_PARAMETER_NAME).AsPointer(), nullptr);
  EXPECT_EQ(Call(FF_GET_PARAMETER_DEFAULT).bits, FF_FAIL);
  EXPECT_EQ(Call(FF_GET_PLUGIN_CAPS, FFGLValue::FromUInt(FF_CAP_SET_TIME)).bits, FF_FAIL);
  EXPECT_EQ(Call(FF_GET_PARAMETER_TYPE).bits, FF_FAIL);
  EXPECT_EQ(Call(FF_GET_PARAMETER_USAGE).bits, FF_FAIL);
  EXPECT_EQ(Call(FF_GET_PLUGIN_SHORT_NAME).AsPointer(), nullptr);
  EXPECT_EQ(Call(FF_GET_NUM_PARAMETER_ELEMENTS).bits, FF_FAIL);
  EXPECT_EQ(Call(FF_GET_PARAMETER_VISIBILITY).bits, FF_FAIL);
  EXPECT_EQ(Call(FF_GET_NUM_FILE_PARAMETER_EXTENSIONS).bits, FF_FAIL);
  EXPECT_EQ(Call(FF_GET_NUM_ELEMENT_SEPARATORS).bits, 0u);
  ElementAddressRecord address{0, 0};
  EXPECT_EQ(Call(FF_GET_PARAMETER_ELEMENT_NAME, FFGLValue::FromPointer(&address)).AsPointer(),
            nullptr);
  EXPECT_EQ(Call(FF_GET_FILE_PARAMETER_EXTENSION, FFGLValue::FromPointer(&address)).AsPointer(),
            nullptr);
  EXPECT_EQ(Call(FF_GET_SEPARATOR_ELEMENT_INDEX, FFGLValue::FromPointer(&address)).bits, FF_FAIL);
  ParameterRangeRecord range{0, 7.0f, 7.0f};
  EXPECT_EQ(Call(FF_GET_PARAMETER_RANGE, FFGLValue::FromPointer(&range)).bits, FF_FAIL);
  EXPECT_EQ(range.min, 7.0f);  // untouched
  EXPECT_EQ(range.max, 7.0f);
  char buffer[4] = {'x', 'x', 'x', 'x'};
  StringOutRecord group{0, buffer, 4};
  EXPECT_EQ(Call(FF_GET_PARAMETER_GROUP, FFGLValue::FromPointer(&group)).bits, FF_FAIL);
  const ViewportRecord viewport{0, 0, 4, 4};
  EXPECT_EQ(Call(FF_INSTANTIATE_GL, FFGLValue::FromPointer(&viewport)).bits, FF_FAIL);
  EXPECT_EQ(g_prototypePlugin, nullptr);
}

TEST(Descriptor, WithoutADescriptorTheLifeCycleCodesFail) {
  CFFGLPluginDescriptor* registered = g_pluginDescriptor;
  g_pluginDescriptor = nullptr;
  EXPECT_EQ(Call(FF_GET_INFO).bits, 0u);
  EXPECT_EQ(Call(FF_GET_EXTENDED_INFO).bits, 0u);
  EXPECT_EQ(Call(FF_INITIALISE).bits, FF_FAIL);
  EXPECT_EQ(Call(FF_DEINITIALISE).bits, FF_FAIL);
  EXPECT_EQ(Call(FF_GET_NUM_PARAMETERS).bits, FF_FAIL);
  const ViewportRecord viewport{0, 0, 4, 4};
  EXPECT_EQ(Call(FF_INSTANTIATE_GL, FFGLValue::FromPointer(&viewport)).bits, FF_FAIL);
  g_pluginDescriptor = registered;
}

}  // namespace
