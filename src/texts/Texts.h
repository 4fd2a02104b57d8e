#pragma once

#include <string>
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
// The port's own: the parameter file was stored, but the record of the save could not be.
inline constexpr std::string_view RecordSaveFailed = "标定记录保存失败";
// The port's own: a command that failed unexpectedly, and a parameter file the gauge cannot read that was
// kept whole under the name that follows before it was replaced.
inline constexpr std::string_view CommandFailed = "操作失败";
inline constexpr std::string_view UnrecognisedFileKept = "原参数文件无法识别,已另存为 ";
// The port's own, about the parameter file: replaced, but flushing its folder failed (the errno text
// follows); refused untouched because the gauge would not read the values named after the text; and a
// write command broken off by an unexpected failure (out of memory) after the file was stored, before its
// backup copy, or after the backup before its record.
inline constexpr std::string_view ParameterFileNotDurable = "参数文件已写入,但未能确认已存入闪存: ";
// The port's own: the backup copy was made, but flushing its folders failed (the errno text follows).
inline constexpr std::string_view BackupNotDurable = "备份已拷贝,但未能确认已存入闪存: ";
inline constexpr std::string_view HiddenFromGauge =
    "仪器读不到以下标定值(参数文件超过49条或有同名条目),文件未改动: ";
inline constexpr std::string_view StoredBackupAndRecordMissing = "参数文件已写入,但备份拷贝和标定记录未完成";
inline constexpr std::string_view StoredRecordMissing = "参数文件已写入,但标定记录未保存";
// The status line when the converter stopped answering during sampling and the signal field was cleared.
inline constexpr std::string_view ConverterLost = "AD 转换器无响应";
inline constexpr std::string_view NoticeCaption = "提示";
inline constexpr std::string_view AllocationFailed = "内存分配失败";
// "第N行数据无效" and "第N段拟合失败" with N filled in.
inline constexpr std::string_view InvalidRowPrefix = "第";
inline constexpr std::string_view InvalidRowSuffix = "行数据无效";
inline constexpr std::string_view FitFailedSuffix = "段拟合失败";
// Row or segment `number`, counted from 1 as the operator counts them, with its suffix.
[[nodiscard]] inline std::string Numbered(int number, std::string_view suffix) {
    return std::string(InvalidRowPrefix) + std::to_string(number) + std::string(suffix);
}

// The port's own: start-up without a display or when Qt's platform cannot start, and the simulator panel
// beside the dialog (--device sim).
inline constexpr std::string_view NoDisplay =
    "no display found; run it under xvfb-run, or with -platform offscreen "
    "/ -platform vnc to use it from a VNC viewer";
inline constexpr std::string_view QtPlatformHint =
    "run it under xvfb-run, or with -platform offscreen / -platform vnc to use it from a VNC viewer";
// The board's own platforms need a device rather than a display server.
inline constexpr std::string_view LinuxFbHint =
    "linuxfb needs a frame buffer device this user can open read-write (-platform linuxfb:fb=DEVICE, "
    "/dev/fb0 by default; group video)";
inline constexpr std::string_view EglFsHint = "eglfs needs a GPU with EGL and a DRM device this user can "
                                              "open (/dev/dri/card0; groups video and render)";
inline constexpr std::string_view NoScreen = "no screen";
namespace panel {
inline constexpr std::string_view Title = "Simulated gauge (SPA1:)";
inline constexpr std::string_view ProbeGroup = "Probe";
inline constexpr std::string_view Height = "Height (mm)";
inline constexpr std::string_view HeightPreset = "Calibration height";
inline constexpr std::string_view Noise = "Noise (relative σ)";
inline constexpr std::string_view ConversionTime = "Conversion time (ms)";
inline constexpr std::string_view FaultsGroup = "Faults";
inline constexpr std::string_view Absent = "Driver absent (open fails)";
inline constexpr std::string_view RangeFailing = "Every range switch fails";
inline constexpr std::string_view FailRangeNext = "Fail the next range switches";
inline constexpr std::string_view FailInit = "Fail the next initialisations";
inline constexpr std::string_view FailReadsAfter = "Fail reads after this many records";
inline constexpr std::string_view Arm = "Arm";
inline constexpr std::string_view ClearFaults = "Clear faults";
inline constexpr std::string_view OutputGroup = "Converter";
inline constexpr std::string_view RawCounts = "Raw counts";
inline constexpr std::string_view Signal = "Signal (counts / 1000)";
inline constexpr std::string_view Range = "Range";
inline constexpr std::string_view SmallRange = "small (code 8)";
inline constexpr std::string_view LargeRange = "large (code 9)";
inline constexpr std::string_view Driver = "Driver";
inline constexpr std::string_view Open = "open";
inline constexpr std::string_view Closed = "closed";
inline constexpr std::string_view RecordsRead = "Records read";
inline constexpr std::string_view InitFailuresLeft = "Initialisations left to fail";
inline constexpr std::string_view RecordsBeforeReadFailure = "Records until reads fail";
inline constexpr std::string_view RangeFailuresLeft = "Range switches left to fail";
inline constexpr std::string_view Never = "never";
} // namespace panel
// The board's one window: the touch control that ends the program as Esc does.
namespace board {
inline constexpr std::string_view Close = "退出";
} // namespace board

} // namespace slabcal::texts
