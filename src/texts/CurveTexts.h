#pragma once

#include <string_view>

// The calibration curve window's texts: what it shows beside the dialog, in the dialog's language.
namespace slabcal::texts::curve {

inline constexpr std::string_view WindowTitle = "标定曲线";

// Chart
inline constexpr std::string_view HeightAxis = "高度 (mm)";
inline constexpr std::string_view SignalAxis = "信号值";
inline constexpr std::string_view PointsSeries = "标定点";
inline constexpr std::string_view SegmentSeries = "第%1段";
inline constexpr std::string_view BoundarySeries = "分界";
inline constexpr std::string_view StoredSeries = "现有标定";
inline constexpr std::string_view CulpritSeries = "可疑点";
inline constexpr std::string_view LiveSeries = "当前信号";
inline constexpr std::string_view LiveEstimateSeries = "当前信号 (估计)";
// Beside the live marker: "预计 X mm / 当前 Y"
inline constexpr std::string_view LiveHeight = "预计 ";
inline constexpr std::string_view LiveSignal = " mm / 当前 ";
inline constexpr std::string_view RecordPointsSeries = "所选记录的点";
inline constexpr std::string_view RecordCurveSeries = "所选记录的标定";

// Tabs and their columns
inline constexpr std::string_view PointsTab = "逐点";
inline constexpr std::string_view CompareTab = "写入前比较";
inline constexpr std::string_view RecordsTab = "标定记录";
// The operator's conditions, kept for the record and the certificate.
inline constexpr std::string_view ConditionsTab = "标定信息";
inline constexpr std::string_view OperatorField = "操作员";
inline constexpr std::string_view TemperatureField = "温度 (°C)";
inline constexpr std::string_view HumidityField = "湿度 (%RH)";
inline constexpr std::string_view ConditionsKept = "已保存, 写入参数时记入标定记录";
// "未保存: 温度 -50 至 100, 湿度 0 至 100" with the limits filled in.
inline constexpr std::string_view ConditionsRefused = "未保存: 温度 ";
inline constexpr std::string_view ConditionsTo = " 至 ";
inline constexpr std::string_view ConditionsHumidity = ", 湿度 ";
inline constexpr std::string_view ConditionsNotKept = "未能保存: ";
inline constexpr std::string_view DamagedRecord = "损坏";
inline constexpr std::string_view Rows = " 行";
inline constexpr std::string_view WorstDeviation = "最大偏差 ";
inline constexpr std::string_view ForcedSegments = "强行写入段 ";
inline constexpr std::string_view SaveCsv = "保存为 CSV…";
inline constexpr std::string_view RowColumn = "行";
inline constexpr std::string_view SegmentColumn = "段";
inline constexpr std::string_view HeightColumn = "高度";
inline constexpr std::string_view SignalColumn = "信号值";
inline constexpr std::string_view FittedColumn = "拟合高度";
inline constexpr std::string_view DeviationMmColumn = "偏差 mm";
inline constexpr std::string_view DeviationPercentColumn = "偏差 %";
inline constexpr std::string_view StoredHeightColumn = "现有标定";
inline constexpr std::string_view NewHeightColumn = "新拟合";
inline constexpr std::string_view DifferenceColumn = "差 mm";

// Findings: "第" row "行" … as the dialog numbers rows, segments numbered from 1 as well.
inline constexpr std::string_view RowPrefix = "第";
inline constexpr std::string_view RowSuffix = "行";
inline constexpr std::string_view Or = "或";
inline constexpr std::string_view CulpritDeviation = ": 偏离 ";
inline constexpr std::string_view CulpritAdvice = " %, 请重新测量";
inline constexpr std::string_view AdviceDeviation = "可能偏离 ";
inline constexpr std::string_view AdviceAdvice = " %, 建议重新测量";
inline constexpr std::string_view SegmentSuffix = "段";
inline constexpr std::string_view SegmentOverLimit = "偏差过大";
inline constexpr std::string_view SlopeNotNegative = "斜率不为负, 可能两行颠倒";
inline constexpr std::string_view BoundaryJump = "分界处两段高度相差 ";
inline constexpr std::string_view WrongRange = "在另一量程上记录, 请重新测量";
inline constexpr std::string_view NoFindings = "未发现问题";

// The live signal
inline constexpr std::string_view Settled = "稳定";
inline constexpr std::string_view NotSettled = "未稳定";
inline constexpr std::string_view FreshValues = "新值 ";
inline constexpr std::string_view Spread = "波动 ";
inline constexpr std::string_view Drift = "漂移 ";
inline constexpr std::string_view NoStoredFile = "无现有标定";

} // namespace slabcal::texts::curve
