// A quick-start plugin with two input textures: the destination (the first
// input) read through "textureDest" at "i_uv_dest" and the source (the
// second) through "textureSrc" at "i_uv_src". Its first parameter is the
// standard "mixVal", the amount the body mixes them by.
#pragma once

#include <cstdint>

#include "quickstart/Plugin.h"

namespace ffglqs {

class Mixer : public Plugin {
 public:
  explicit Mixer(bool supportTopLeftTextureOrientation);
  ~Mixer() override;

  // Binds the destination on unit 0 and the source on unit 1 and draws;
  // FF_FAIL, drawing nothing, when either input is missing.
  uint32_t Render(const ProcessOpenGLRecord* record) override;
};

}  // namespace ffglqs
