#include "resources/Template102.h"

#include "resources/ControlIds.h"
#include "texts/Texts.h"

namespace slabcal {

namespace {

// Push buttons and the input controls take the Tab key; the labels and the status line do not.
constexpr uint32_t ButtonStyle = style::TabStop;

DialogTemplate Build() {
    using enum ControlKind;
    DialogTemplate dialog;
    dialog.id = ids::CalibrationDialog;
    dialog.frame = {0, 0, 237, 129};
    dialog.caption = texts::DialogCaption;
    dialog.fontName = "宋体";
    dialog.fontPoints = 11;
    dialog.controls = {
        {StaticControlId, Static, std::string(texts::HeightLabel), {6, 7, 17, 11}, true, 0},
        {StaticControlId, Static, std::string(texts::SignalLabel), {120, 7, 26, 11}, true, 0},
        {ids::HeightBox,
         ComboBox,
         "",
         {25, 5, 38, 108},
         true,
         style::ComboDropDownList | style::VerticalScroll | style::TabStop},
        {ids::SignalField,
         Edit,
         "",
         {151, 2, 36, 15},
         true,
         style::Border | style::EditAutoHorizontalScroll | style::TabStop},
        {ids::PointList,
         ListView,
         "",
         {4, 21, 227, 79},
         true,
         style::ListReport | style::ListNoSortHeader | style::Border | style::TabStop},
        {ids::WriteParametersButton,
         Button,
         std::string(texts::WriteParametersButton),
         {167, 104, 64, 16},
         true,
         ButtonStyle},
        {ids::SavePointButton,
         Button,
         std::string(texts::SavePointButton),
         {196, 1, 35, 18},
         true,
         ButtonStyle},
        {ids::StatusLine, Static, "", {44, 107, 113, 10}, true, 0},
        {ids::UpButton, Button, std::string(texts::UpButton), {64, 2, 23, 16}, false, ButtonStyle},
        {ids::DownButton, Button, std::string(texts::DownButton), {88, 2, 23, 16}, false, ButtonStyle},
        {ids::ToggleButton, Button, std::string(texts::ManualCaption), {7, 103, 32, 15}, false, ButtonStyle},
    };
    return dialog;
}

} // namespace

const DialogTemplate& Template102() {
    static const DialogTemplate dialog = Build();
    return dialog;
}

} // namespace slabcal
