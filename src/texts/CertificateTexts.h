#pragma once

#include <string_view>

// The calibration certificate's texts, in the dialog's language.
namespace slabcal::texts::certificate {

inline constexpr std::string_view Title = "楼板厚度仪标定证书";
inline constexpr std::string_view Time = "标定时间 (UTC): ";
inline constexpr std::string_view Version = "程序版本: ";
inline constexpr std::string_view Record = "标定记录: ";
inline constexpr std::string_view PointsHeading = "标定点";
inline constexpr std::string_view SegmentsHeading = "分段参数";
inline constexpr std::string_view BoundariesHeading = "分界信号值";
inline constexpr std::string_view CurveHeading = "标定曲线";
inline constexpr std::string_view Checksum = "参数文件 ZPQ.ini 的 SHA-256: ";
inline constexpr std::string_view Segment = "段";
inline constexpr std::string_view Slope = "斜率 CurveA";
inline constexpr std::string_view Intercept = "截距 CurveB";
inline constexpr std::string_view MaxDeviation = "最大偏差 %";
inline constexpr std::string_view Forced = "强行写入";
inline constexpr std::string_view Yes = "是";
inline constexpr std::string_view Operator = "操作员: ____________________";
inline constexpr std::string_view Signature = "签名: ____________________";
inline constexpr std::string_view Date = "日期: ______________";

} // namespace slabcal::texts::certificate
