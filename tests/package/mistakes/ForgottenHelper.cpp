// A source that calls a function declared but defined nowhere.
#include "host/CFFGLPluginDescriptor.h"
#include "quickstart/Source.h"

float ForgottenHelper();

namespace {

class ForgottenHelperSource : public ffglqs::Source {
 public:
  ForgottenHelperSource() : Source(false) {
    AddParam(ffglqs::Param::Create("level", ForgottenHelper()));
    SetFragmentBody("\nvoid main()\n{\n\tfragColor = vec4(level);\n}\n");
  }
};

uint32_t CreateInstance(CFFGLPlugin** instance) {
  *instance = new ForgottenHelperSource();
  return FF_SUCCESS;
}

CFFGLPluginDescriptor descriptor(CreateInstance, "KXFH", "Forgotten", 2, 1, 1, 0, FF_SOURCE,
                                 "Calls a function nobody defines", "Test plugin");

}  // namespace
