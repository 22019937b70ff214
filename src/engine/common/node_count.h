#pragma once

namespace engine {

// Node count of the top (asphalt) layer from its thickness in inches: 3 up to
// 2 inches, else the integer part of half the thickness plus 3, at most 12.
// The climate simulation writes it into the temperature-history header and the
// cracking run sizes its temperature table with it.
int layer_node_count(double thickness_inches);

}  // namespace engine
