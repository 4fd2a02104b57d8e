#pragma once

#include <istream>
#include <ostream>

namespace slabcal {

class CalibrationWorksheet;
class HeadlessBackend;
class HeadlessWindow;

// An operator's actions on the calibration dialog, read as text, one a line, and carried out on the
// headless backend: a calibration driven from a terminal, a script or a test, with no screen.
//
//   height H        choose the height H in the height box ("250"; "-" chooses none)
//   type TEXT       type TEXT (the rest of the line) into the signal field
//   signal          wait, 10 s at most, for the converter's next signal to be shown
//   save            press 保存
//   write           press 参数写入文件
//   answer yes|no   the answer to the next question (a question without one takes its default, Yes)
//   show            print the table, the row the next save writes, the boundary signals, the status line
//   reconnect       press 重新连接: open the converter anew after it was lost (fails when it stays away)
//   # ...           nothing
//
// Each line is echoed as "> LINE" once it is done, so whoever feeds the script can follow it. A line that
// is not one of these ends the script with one line on `err`. At the end of the text the dialog is closed.
class OperatorScript final {
public:
    OperatorScript(std::istream& in, std::ostream& out, std::ostream& err, HeadlessBackend& backend,
                   const CalibrationWorksheet& worksheet);

    // Carries the script out on the dialog's window (a step of the headless modal run). False when a line
    // could not be understood or a wait ran out.
    bool Run(HeadlessWindow& window);

private:
    bool Step(HeadlessWindow& window, const std::string& line);
    void Show(const HeadlessWindow& window);

    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    HeadlessBackend& backend;
    const CalibrationWorksheet& worksheet;
};

} // namespace slabcal
