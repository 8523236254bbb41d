// Placeholder until the damage box scaler lands: refuses every profile.
#include "profile/scale_damage_boxes.h"

#include "platform/platform.h"

namespace vx {

int ScaleDamageBoxes(const char*, std::int32_t) {
  plat::SetLastError(plat::ERROR_NOT_SUPPORTED);
  return 0;
}

}  // namespace vx
