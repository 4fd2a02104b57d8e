#pragma once

#include <string_view>

// Every fixed text the operator sees, in one place, used exactly as it stands.
namespace slabcal::texts {

inline constexpr std::string_view DialogCaption = "楼板厚度仪标定";

// Dialog template 102
inline constexpr std::string_view HeightLabel = "高度";
inline constexpr std::string_view SignalLabel = "信号值";
inline constexpr std::string_view WriteParametersButton = "参数写入文件";
inline constexpr std::string_view SavePointButton = "保存";
inline constexpr std::string_view UpButton = "∧";
inline constexpr std::string_view DownButton = "∨";
inline constexpr std::string_view ManualCaption = "手动";
inline constexpr std::string_view AutomaticCaption = "自动";

// Point table headers
inline constexpr std::string_view NumberColumn = "序号";
inline constexpr std::string_view HeightColumn = "高度";
inline constexpr std::string_view SignalColumn = "信号值";

// Messages
inline constexpr std::string_view OpenDriverFailed = "打开 ADC 驱动失败!";
inline constexpr std::string_view AdInitializationError = "AD initialization error";
inline constexpr std::string_view RangeSwitchError = "量程转化错误";
inline constexpr std::string_view DeviationTooLarge = "偏差过大,强行写入吗？";
inline constexpr std::string_view ConfirmSave = "确定要保存标定文件吗？";
inline constexpr std::string_view CopyFailed = "拷贝NandFlash文件失败";
inline constexpr std::string_view WriteFinished = "文件写入完毕";
inline constexpr std::string_view ParameterFileWriteFailed = "参数文件写入失败";
inline constexpr std::string_view NoticeCaption = "提示";
inline constexpr std::string_view AllocationFailed = "内存分配失败";
// "第N行数据无效" and "第N段拟合失败" with N filled in.
inline constexpr std::string_view InvalidRowPrefix = "第";
inline constexpr std::string_view InvalidRowSuffix = "行数据无效";
inline constexpr std::string_view FitFailedSuffix = "段拟合失败";

} // namespace slabcal::texts
