// A sample mixer plugin for the tests: row 0 mixes destination and source by
// "mixVal", rows 1 to 4 encode the texture coordinates it samples at.
#include <string>

#include "ProbeGlsl.h"
#include "SamplePlugins.h"
#include "host/CFFGLPluginDescriptor.h"
#include "quickstart/Mixer.h"

namespace {

class ProbeMixer : public ffglqs::Mixer {
 public:
  ProbeMixer() : Mixer(false) {
    SetFragmentBody(std::string(sample::kEncodeBits) + R"(
void main()
{
	int p = int(gl_FragCoord.y);
	if (p == 1) fragColor = EncodeBits(floatBitsToUint(i_uv_dest.x));
	else if (p == 2) fragColor = EncodeBits(floatBitsToUint(i_uv_dest.y));
	else if (p == 3) fragColor = EncodeBits(floatBitsToUint(i_uv_src.x));
	else if (p == 4) fragColor = EncodeBits(floatBitsToUint(i_uv_src.y));
	else fragColor = mix(texture(textureDest, i_uv_dest), texture(textureSrc, i_uv_src), mixVal);
}
)");
  }
};

uint32_t CreateInstance(CFFGLPlugin** instance) {
  *instance = new ProbeMixer();
  return FF_SUCCESS;
}

CFFGLPluginDescriptor descriptor(CreateInstance, "QPMX", "Probe Mixer", 2, 1, 1, 0,
                                 FF_MIXER, "Mixes its two inputs", "Test plugin");

}  // namespace
