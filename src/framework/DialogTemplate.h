#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace slabcal {

enum class ControlKind { Static, ComboBox, Edit, ListView, Button };

// A rectangle in dialog units, as dialog templates give it.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Style bits, with the values the board's window system gave them.
namespace style {
inline constexpr uint32_t TabStop = 0x00010000;
inline constexpr uint32_t Border = 0x00800000;
inline constexpr uint32_t VerticalScroll = 0x00200000;
inline constexpr uint32_t ComboDropDownList = 0x0003;
inline constexpr uint32_t ComboSort = 0x0100;
inline constexpr uint32_t EditAutoHorizontalScroll = 0x0080;
inline constexpr uint32_t ListReport = 0x0001;
inline constexpr uint32_t ListNoSortHeader = 0x8000;
inline constexpr uint32_t ListNoColumnHeader = 0x4000;
inline constexpr uint32_t ButtonDefault = 0x0001;
inline constexpr uint32_t ListExFullRowSelect = 0x0020;
} // namespace style

// Id of controls that have none of their own (the labels).
inline constexpr int StaticControlId = 65535;

struct ControlTemplate {
    int id = StaticControlId;
    ControlKind kind = ControlKind::Static;
    std::string text;
    DialogRect rect;
    bool visible = true;
    uint32_t styles = 0;
};

struct DialogTemplate {
    int id = 0;
    DialogRect frame;
    std::string caption;
    std::string fontName;
    int fontPoints = 0;
    std::vector<ControlTemplate> controls; // creation order, which is also the tab order
};

// An icon resource: its id and a PNG picture.
struct IconResource {
    int id = 0;
    std::span<const uint8_t> png;
};

} // namespace slabcal
