#pragma once

#include "framework/DialogBackend.h"

#include <deque>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace slabcal {

class HeadlessWindow;

// One message box as the operator would have seen it, with the answer it got.
struct MessageBoxRecord {
    std::string text;
    std::string caption;
    MessageBoxButtons buttons = MessageBoxButtons::Ok;
    int answer = IdOk;

    friend bool operator==(const MessageBoxRecord&, const MessageBoxRecord&) = default;
    friend std::ostream& operator<<(std::ostream& out, const MessageBoxRecord& box) {
        return out << "[" << box.caption << "] " << box.text << " (" << static_cast<int>(box.buttons)
                   << ") -> " << box.answer;
    }
};

// A backend without a screen: controls live in memory, message boxes are answered from a script and
// recorded in the order they are answered, and a modal run carries out scripted steps. Tests and scripted
// runs use it. A box opened without blocking is answered when the UI thread next runs what is pending
// (HeadlessWindow::ProcessPending); one closed before that, unanswered, is not recorded.
class HeadlessBackend final : public DialogBackend {
public:
    using Step = std::function<void(HeadlessWindow&)>;

    // Answers for the boxes to come, in the order they are answered; a box with no queued answer takes its
    // default button.
    void QueueAnswer(int answer);
    // Steps of the next modal run, in order; a run whose steps are done ends with IdCancel.
    void AddStep(Step step);
    // Where to write each box as it is shown (null: nowhere).
    void EchoBoxesTo(std::ostream* out);

    [[nodiscard]] std::vector<MessageBoxRecord> Boxes() const;
    [[nodiscard]] std::vector<std::string> BoxTexts() const;

    [[nodiscard]] std::unique_ptr<DialogWindow> CreateDialogWindow(Dialog& dialog) override;
    void ShowApplicationMessage(std::string_view caption, std::string_view text) override;
    [[nodiscard]] int AskApplicationQuestion(std::string_view caption, std::string_view text) override;

    // Used by the windows: answers and records one box.
    int Answer(std::string_view text, std::string_view caption, MessageBoxButtons buttons);
    [[nodiscard]] std::vector<Step> TakeSteps();

private:
    mutable std::mutex lock;
    std::deque<int> answers;
    std::vector<Step> steps;
    std::vector<MessageBoxRecord> boxes;
    std::ostream* echo = nullptr;
};

} // namespace slabcal
