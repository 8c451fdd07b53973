// A source whose parameter name has a space: fine for the host, but not a
// name its shader uniform can have.
#include "host/CFFGLPluginDescriptor.h"
#include "quickstart/Source.h"

namespace {

class BadParameterName : public ffglqs::Source {
 public:
  BadParameterName() : Source(false) {
    AddParam(ffglqs::Param::Create("my gain", 0.5f));
    SetFragmentBody("\nvoid main()\n{\n\tfragColor = vec4(1.0);\n}\n");
  }
};

uint32_t CreateInstance(CFFGLPlugin** instance) {
  *instance = new BadParameterName();
  return FF_SUCCESS;
}

CFFGLPluginDescriptor descriptor(CreateInstance, "KXBN", "Bad Name", 2, 1, 1, 0, FF_SOURCE,
                                 "A parameter name the shader cannot use", "Test plugin");

}  // namespace
