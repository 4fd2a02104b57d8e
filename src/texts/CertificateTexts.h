#pragma once

#include <string>
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

inline constexpr std::string_view CertificateNumber = "证书编号: ";
// "第 x 页 共 y 页".
inline std::string PageOf(int page, int pages) {
    return "第 " + std::to_string(page) + " 页 共 " + std::to_string(pages) + " 页";
}
inline constexpr std::string_view NotStated = "—";
inline constexpr std::string_view Serial = "仪器编号: ";
inline constexpr std::string_view ReferenceSet = "参考高度标准: ";
inline constexpr std::string_view ReferenceCertificate = "参考标准证书编号: ";
inline constexpr std::string_view ReferenceTolerance = "参考高度允差: ";
inline constexpr std::string_view SmallRange = "小量程 ";
inline constexpr std::string_view LargeRange = "大量程 ";
inline constexpr std::string_view PermissibleError = "最大允许误差: ";
inline constexpr std::string_view OperatorName = "校准人员: ";
inline constexpr std::string_view Temperature = "环境温度: ";
inline constexpr std::string_view Humidity = "相对湿度: ";
inline constexpr std::string_view DueDate = "建议下次校准日期: ";
inline constexpr std::string_view SettingsProblems = "设置文件中未采用的行: ";
inline constexpr std::string_view AssessmentHeading = "校准前 (as-found) 与校准后 (as-left) 示值";
inline constexpr std::string_view Row = "行";
inline constexpr std::string_view ReferenceHeight = "参考 mm";
inline constexpr std::string_view Signal = "信号值";
inline constexpr std::string_view AsFound = "校准前 mm";
inline constexpr std::string_view AsLeft = "校准后 mm";
inline constexpr std::string_view ErrorMm = "误差 mm";
inline constexpr std::string_view ErrorPercent = "误差 %";
inline constexpr std::string_view Expanded = "U mm";
inline constexpr std::string_view Verdict = "判定";
inline constexpr std::string_view NoAsFound = "无";
inline constexpr std::string_view Pass = "合格";
inline constexpr std::string_view Fail = "不合格";
inline constexpr std::string_view Indeterminate = "不确定";
inline constexpr std::string_view Overall = "总体判定: ";
inline constexpr std::string_view TypedMark = " *";
inline constexpr std::string_view TypedNote = "*: 手动输入的信号值, 无重复性分量。";
inline constexpr std::string_view Method =
    "测量不确定度按 JCGM 100 (GUM) 评定: 参考高度允差按矩形分布 (t/√3); "
    "信号重复性取保存前稳定信号的实验标准偏差 "
    "(A 类); 信号分辨力 1 个字按矩形分布 (1/√12); 拟合的失配取该段残差的均方根。";
inline constexpr std::string_view MethodCombined =
    "信号分量经该段灵敏系数 |a|·h/x 换算为 mm, 各分量方和根合成, 扩展不确定度 U = k·u_c, k = 2 (约 95 % "
    "包含概率)。";
inline constexpr std::string_view NoTolerance = "参考高度允差未设置, U 不含参考高度分量。";
inline constexpr std::string_view DecisionRule = "判定规则: 保护带接受 (ILAC-G8, 保护带 w = U): |误差| + U ≤ "
                                                 "最大允许误差为合格, |误差| − U > 最大允许误差为不合格, "
                                                 "其间为不确定。";
inline constexpr std::string_view NoDecision = "未设置最大允许误差, 不作判定。";
inline constexpr std::string_view FormatOne =
    "本记录为格式 1: 未记录仪器编号、参考标准、校准人员、环境条件和信号重复性, 故不给出不确定度和判定。";
inline constexpr std::string_view NoAssessment = "本记录无可评定的标定点。";

} // namespace slabcal::texts::certificate
