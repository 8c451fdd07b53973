// An effect on the quick-start framework, built against the installed
// package the way any plugin author builds one: its picture is the input
// scaled by the "gain" parameter, alpha kept.
#include "host/CFFGLPluginDescriptor.h"
#include "quickstart/Effect.h"

namespace {

class ExampleEffect : public ffglqs::Effect {
 public:
  ExampleEffect() : Effect(false) {
    AddParam(ffglqs::Param::Create("gain", 0.5f));
    SetFragmentBody(R"(
void main()
{
	vec4 colour = texture(inputTexture, i_uv);
	fragColor = vec4(colour.rgb * gain, colour.a);
}
)");
  }
};

uint32_t CreateInstance(CFFGLPlugin** instance) {
  *instance = new ExampleEffect();
  return FF_SUCCESS;
}

CFFGLPluginDescriptor descriptor(CreateInstance, "KXEF", "Example Gain", 2, 1, 1, 0, FF_EFFECT,
                                 "Scales its input by a gain", "Example plugin");

}  // namespace
