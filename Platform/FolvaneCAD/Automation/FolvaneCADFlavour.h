// The two kinds of installation the CAD application comes as. Their
// automation objects offer the same operations under different dispatch ids.
#pragma once

namespace FolvaneCAD {

enum class Flavour { kConventional, kEnterprise };

}  // namespace FolvaneCAD
