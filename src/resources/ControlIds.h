#pragma once

namespace slabcal::ids {

inline constexpr int CalibrationDialog = 102;
inline constexpr int AppIcon = 128;

inline constexpr int HeightBox = 1000;
inline constexpr int SignalField = 1001;
inline constexpr int PointList = 1002;
inline constexpr int WriteParametersButton = 1003;
inline constexpr int SavePointButton = 1004;
inline constexpr int StatusLine = 1005;
inline constexpr int UpButton = 1006;
inline constexpr int DownButton = 1007;
inline constexpr int ToggleButton = 1008;

} // namespace slabcal::ids
