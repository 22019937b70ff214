#include "engine/common/node_count.h"

namespace engine {

int layer_node_count(double t) {
  // Written so that NaN and huge values never reach an int conversion.
  if (!(t > 2.0)) return 3;
  if (t >= 18.0) return 12;
  return static_cast<int>(0.5 * t) + 3;
}

}  // namespace engine
