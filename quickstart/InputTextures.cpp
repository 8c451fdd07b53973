#include "quickstart/InputTextures.h"

namespace ffglqs {

namespace {

float UsedFraction(uint32_t size, uint32_t hardwareSize) {
  if (hardwareSize == 0) return 1.0f;
  return static_cast<float>(size) / static_cast<float>(hardwareSize);
}

}  // namespace

bool HasInputs(const ProcessOpenGLRecord* record, uint32_t count) {
  if (record == nullptr || record->numInputTextures < count) return false;
  if (count > 0 && record->inputTextures == nullptr) return false;
  for (uint32_t i = 0; i < count; ++i) {
    if (record->inputTextures[i] == nullptr) return false;
  }
  return true;
}

void SetMaxUvUniform(ffglex::ShaderProgram& program, const char* name,
                     const TextureRecord& texture) {
  program.SetUniform(name, UsedFraction(texture.Width, texture.HardwareWidth),
                     UsedFraction(texture.Height, texture.HardwareHeight));
}

}  // namespace ffglqs
