#include "quickstart/Source.h"

namespace ffglqs {

namespace {

const char kFragmentHeaderAddition[] =
    "\n\t\tin vec2 i_uv;"
    "\n\t";

const char kVertexShader[] =
    "\n\t\t#version 410 core"
    "\n\t\tlayout( location = 0 ) in vec4 vPosition;"
    "\n\t\tlayout( location = 1 ) in vec2 vUV;"
    "\n"
    "\n\t\tout vec2 i_uv;"
    "\n"
    "\n\t\tvoid main()"
    "\n\t\t{"
    "\n\t\t\tgl_Position = vPosition;"
    "\n\t\t\ti_uv = vUV;"
    "\n\t\t}"
    "\n\t";

static_assert(sizeof kFragmentHeaderAddition - 1 == 18, "source header addition length");
static_assert(sizeof kVertexShader - 1 == 188, "source vertex shader length");

}  // namespace

Source::Source(bool supportTopLeftTextureOrientation) : Plugin(supportTopLeftTextureOrientation) {
  SetMinInputs(0);
  SetMaxInputs(0);
  fragmentHeader += kFragmentHeaderAddition;
  vertexShaderSource = kVertexShader;
}

Source::~Source() = default;

}  // namespace ffglqs
