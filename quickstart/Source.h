// A quick-start plugin without input textures. Its fragment shader adds only
//   in vec2 i_uv;  0 to 1 across the layer, (0, 0) at the bottom left
// (Plugin.h has the rest of the contract). It draws with Plugin's default
// Render and never reads the record's inputs.
#pragma once

#include "quickstart/Plugin.h"

namespace ffglqs {

class Source : public Plugin {
 public:
  explicit Source(bool supportTopLeftTextureOrientation);
  ~Source() override;
};

}  // namespace ffglqs
