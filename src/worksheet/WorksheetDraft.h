#pragma once

#include "platform/FileResult.h"
#include "worksheet/CalibrationWorksheet.h"

#include <functional>
#include <string>
#include <string_view>

namespace slabcal {

// Where the worksheet is kept between saves, beside the parameter file and apart from the records.
inline constexpr std::string_view WorksheetDraftPath = "\\NandFlash\\slabcal-worksheet.json";

// Keeps a worksheet on the device for as long as it lives: after every saved row and every replaced table
// the whole worksheet is stored (as a record of kind "draft", atomically and durably like the parameter
// file), and a write that stored the parameter file removes it. A crash, a power cut or a mistaken Esc
// then loses no recorded row.
class WorksheetDraft final {
public:
    explicit WorksheetDraft(CalibrationWorksheet& worksheet);

    // How the last keep or removal went; a face may show a failure (the rows are not safe then).
    [[nodiscard]] const FileResult& LastResult() const { return last; }

private:
    void Keep();
    void Remove();

    CalibrationWorksheet& worksheet;
    FileResult last;
    CalibrationWorksheet::Subscription subscription;
};

// At start: a worksheet an earlier run kept and never wrote is offered back with `ask` (the Yes/No question
// "发现未完成的标定 (N 行), 继续吗？"; true is Yes). Yes puts it into `worksheet`; No keeps it aside as a
// record of kind "abandoned" in the records' folder. A draft that cannot be read is never trusted: it is
// kept aside whole beside itself and `tell` says so; so does a draft that could not be kept aside.
void OfferWorksheetDraft(CalibrationWorksheet& worksheet, const std::function<bool(const std::string&)>& ask,
                         const std::function<void(const std::string&)>& tell);

} // namespace slabcal
