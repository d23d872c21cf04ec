#pragma once

namespace velmora {

// The preview's view area, which a page picture is made to fit at zoom 1.
inline constexpr double kViewBoxWidthTwips = 9330;
inline constexpr double kViewBoxHeightTwips = 7425;

} // namespace velmora
