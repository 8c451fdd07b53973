// Reading the host's input textures for the Effect and Mixer draws.
#pragma once

#include <cstdint>

#include "glhelpers/ShaderProgram.h"
#include "host/FFGLBoundary.h"

namespace ffglqs {

// True when the record holds at least `count` inputs and the first `count`
// input pointers are all set.
bool HasInputs(const ProcessOpenGLRecord* record, uint32_t count);

// Sets the vec2 uniform `name` to the part of the texture that holds the
// picture: size over hardware size on each axis. A hardware size of 0 (a
// malformed record) counts as the whole texture on that axis, not as a
// division by zero.
void SetMaxUvUniform(ffglex::ShaderProgram& program, const char* name,
                     const TextureRecord& texture);

}  // namespace ffglqs
