// A sample source plugin for the tests: pixel column x encodes uniform x of
// the list in SamplePlugins.h.
#include <memory>
#include <string>

#include "ProbeGlsl.h"
#include "SamplePlugins.h"
#include "host/CFFGLPluginDescriptor.h"
#include "quickstart/Source.h"

namespace {

class ProbeSource : public ffglqs::Source {
 public:
  ProbeSource() : Source(false) {
    AddParam(ffglqs::ParamBool::Create("flag"));
    AddParam(ffglqs::ParamTrigger::Create("pulse"));
    AddHsbaColorParams("tint");
    fft = ffglqs::ParamFFT::Create("fft", 6);
    AddParam(fft);
    // Unit gain and no smoothing: the volume is the bins' root mean square.
    audioLevels[fft].SetGainDecibels(0.0f);
    audioLevels[fft].SetSmoothness(0.0f);
    AddParam(ffglqs::ParamText::Create("label", "hello"));
    AddParam(ffglqs::Param::Create("plain", 2.0f));
    AddParam(ffglqs::ParamRange::Create("gain", 2.0f, {0.0f, 10.0f}));
    AddRgbColorParams("shade");
    AddParam(ffglqs::Param::Create("clip", FF_TYPE_FILE, 0.0f));
    SetFragmentBody(std::string(sample::kEncodeBits) + R"(
uniform float fftVolume;

void main()
{
	int p = int(gl_FragCoord.x);
	uint bits = 0u;
	if (p == 0) bits = uint(frame);
	else if (p == 1) bits = floatBitsToUint(time);
	else if (p == 2) bits = floatBitsToUint(deltaTime);
	else if (p == 3) bits = floatBitsToUint(resolution.x);
	else if (p == 4) bits = floatBitsToUint(resolution.y);
	else if (p == 5) bits = floatBitsToUint(bpm);
	else if (p == 6) bits = floatBitsToUint(phase);
	else if (p == 7) bits = pulse ? 1u : 0u;
	else if (p == 8) bits = flag ? 1u : 0u;
	else if (p >= 9 && p <= 12) bits = floatBitsToUint(tint[p - 9]);
	else if (p == 13) bits = floatBitsToUint(fftVolume);
	else if (p == 14) bits = floatBitsToUint(plain);
	else if (p == 15) bits = floatBitsToUint(gain);
	else if (p >= 16 && p <= 18) bits = floatBitsToUint(shade[p - 16]);
	fragColor = EncodeBits(bits);
}
)");
  }

  void UpdateHook() override { shader.SetUniform("fftVolume", audioLevels[fft].GetVolume()); }

 private:
  std::shared_ptr<ffglqs::ParamFFT> fft;
};

uint32_t CreateInstance(CFFGLPlugin** instance) {
  *instance = new ProbeSource();
  return FF_SUCCESS;
}

CFFGLPluginDescriptor descriptor(CreateInstance, "QPSR", "Probe Source", 2, 1, 1, 0, FF_SOURCE,
                                 "Reads the framework's uniforms back", "Test plugin");

}  // namespace
