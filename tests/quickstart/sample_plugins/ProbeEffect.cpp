// A sample effect plugin for the tests: row 0 draws the input, rows 1 and 2
// encode the texture coordinate it samples at.
#include <string>

#include "ProbeGlsl.h"
#include "SamplePlugins.h"
#include "host/CFFGLPluginDescriptor.h"
#include "quickstart/Effect.h"

namespace {

class ProbeEffect : public ffglqs::Effect {
 public:
  ProbeEffect() : Effect(false) {
    SetFragmentBody(std::string(sample::kEncodeBits) + R"(
void main()
{
	int p = int(gl_FragCoord.y);
	if (p == 1) fragColor = EncodeBits(floatBitsToUint(i_uv.x));
	else if (p == 2) fragColor = EncodeBits(floatBitsToUint(i_uv.y));
	else fragColor = texture(inputTexture, i_uv);
}
)");
  }
};

uint32_t CreateInstance(CFFGLPlugin** instance) {
  *instance = new ProbeEffect();
  return FF_SUCCESS;
}

CFFGLPluginDescriptor descriptor(CreateInstance, "QPEF", "Probe Effect", 2, 1, 1, 0,
                                 FF_EFFECT, "Draws its input", "Test plugin");

}  // namespace
