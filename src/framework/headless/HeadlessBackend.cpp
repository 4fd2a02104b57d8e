#include "framework/headless/HeadlessBackend.h"

#include "framework/headless/HeadlessWindow.h"

#include <utility>

namespace slabcal {

void HeadlessBackend::QueueAnswer(int answer) {
    std::lock_guard guard(lock);
    answers.push_back(answer);
}

void HeadlessBackend::AddStep(Step step) {
    std::lock_guard guard(lock);
    steps.push_back(std::move(step));
}

void HeadlessBackend::EchoBoxesTo(std::ostream* out) {
    std::lock_guard guard(lock);
    echo = out;
}

std::vector<MessageBoxRecord> HeadlessBackend::Boxes() const {
    std::lock_guard guard(lock);
    return boxes;
}

std::vector<std::string> HeadlessBackend::BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : Boxes())
        texts.push_back(box.text);
    return texts;
}

std::unique_ptr<DialogWindow> HeadlessBackend::CreateDialogWindow(Dialog& dialog) {
    return std::make_unique<HeadlessWindow>(*this, dialog);
}

void HeadlessBackend::ShowApplicationMessage(std::string_view caption, std::string_view text) {
    Answer(text, caption, MessageBoxButtons::Ok);
}

int HeadlessBackend::AskApplicationQuestion(std::string_view caption, std::string_view text) {
    return Answer(text, caption, MessageBoxButtons::YesNo);
}

int HeadlessBackend::Answer(std::string_view text, std::string_view caption, MessageBoxButtons buttons) {
    std::lock_guard guard(lock);
    int answer = DefaultAnswer(buttons);
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    boxes.push_back({std::string(text), std::string(caption), buttons, answer});
    if (echo != nullptr) {
        *echo << "[" << caption << "] " << text << " -> "
              << (answer == IdYes  ? "Yes"
                  : answer == IdNo ? "No"
                                   : "OK")
              << '\n';
    }
    return answer;
}

std::vector<HeadlessBackend::Step> HeadlessBackend::TakeSteps() {
    std::lock_guard guard(lock);
    return std::exchange(steps, {});
}

} // namespace slabcal
