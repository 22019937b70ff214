#include "engine/common/node_count.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

TEST(LayerNodeCount, FollowsThicknessAndLimits) {
  struct Case {
    double t;
    int nodes;
  };
  const Case cases[] = {
      {0.0, 3}, {2.0, 3}, {2.0000001, 4}, {4.5, 5}, {17.9, 11}, {18.0, 12},
      {1e30, 12}, {-1.0, 3}, {std::numeric_limits<double>::quiet_NaN(), 3},
      {std::numeric_limits<double>::infinity(), 12},
  };
  for (const auto& c : cases) EXPECT_EQ(engine::layer_node_count(c.t), c.nodes) << c.t;
}

}  // namespace
