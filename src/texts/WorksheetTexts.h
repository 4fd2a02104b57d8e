#pragma once

#include <string>
#include <string_view>

// What the operator reads about the kept worksheet: the table of an earlier run offered back at start.
namespace slabcal::texts::worksheet {

// The question at start, answered Yes by default: "发现未完成的标定 (5 行), 继续吗？".
[[nodiscard]] inline std::string DraftOffer(int rows) {
    return "发现未完成的标定 (" + std::to_string(rows) + " 行), 继续吗？";
}
// A kept worksheet that cannot be read, and the name it was kept whole under.
[[nodiscard]] inline std::string DraftDamaged(std::string_view problem, std::string_view keptAs) {
    return "未完成的标定无法读取 (" + std::string(problem) + "), 已另存为 " + std::string(keptAs);
}
[[nodiscard]] inline std::string DraftNotKeptAside(std::string_view problem, std::string_view why) {
    return "未完成的标定无法读取 (" + std::string(problem) + "), 也无法另存 (" + std::string(why) + ")";
}
// A turned-down worksheet that could not be stored as a record; it stays where it was.
[[nodiscard]] inline std::string DraftNotAbandoned(std::string_view why) {
    return "未完成的标定无法存为记录 (" + std::string(why) + ")";
}

} // namespace slabcal::texts::worksheet
