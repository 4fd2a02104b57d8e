#include "framework/UiBridge.h"

#include <utility>

namespace slabcal {

struct UiBridge::Completion::State {
    bool done = false;      // guarded by the bridge's lock
    bool abandoned = false; // guarded by the bridge's lock
    int result = 0;
    std::function<void()> close; // UI thread only
};

UiBridge::Completion::Completion(std::shared_ptr<UiBridge> owner, std::shared_ptr<State> callState)
    : bridge(std::move(owner)), state(std::move(callState)) {}

void UiBridge::Completion::Complete(int result) const {
    bridge->Finish(*state, result);
}

void UiBridge::Completion::OnAbandon(std::function<void()> close) const {
    state->close = std::move(close);
}

UiBridge::UiBridge(DialogWindow& target) : window(&target) {}

std::shared_ptr<UiBridge> UiBridge::Create(DialogWindow& window) {
    return std::shared_ptr<UiBridge>(new UiBridge(window));
}

std::optional<int> UiBridge::Call(Task task, std::stop_token stop) {
    auto state = std::make_shared<Completion::State>();
    {
        std::lock_guard guard(lock);
        if (window == nullptr || stop.stop_requested())
            return std::nullopt;
        window->Post([self = shared_from_this(), task = std::move(task), state] { self->Run(task, state); });
    }
    std::unique_lock guard(lock);
    changed.wait(guard, stop, [&] { return state->done || window == nullptr; });
    if (state->done)
        return state->result;
    state->abandoned = true;
    if (window != nullptr) {
        // The task may already have opened something on the UI thread that waits for an answer: close it.
        window->Post([state] {
            if (state->close)
                std::exchange(state->close, nullptr)();
        });
    }
    return std::nullopt;
}

void UiBridge::Run(const Task& task, const std::shared_ptr<Completion::State>& state) {
    DialogWindow* target;
    {
        std::lock_guard guard(lock);
        if (window == nullptr || state->abandoned)
            return;
        target = window;
    }
    std::erase_if(started, [](const auto& call) { return call.expired(); });
    started.push_back(state);
    task(*target, Completion(shared_from_this(), state));
}

void UiBridge::Finish(Completion::State& state, int result) {
    state.close = nullptr;
    std::lock_guard guard(lock);
    state.result = result;
    state.done = true;
    changed.notify_all();
}

bool UiBridge::SetText(int id, std::string text, std::stop_token stop) {
    return Call(
               [id, text = std::move(text)](DialogWindow& target, const Completion& completion) {
                   target.SetText(id, text);
                   completion.Complete(0);
               },
               std::move(stop))
        .has_value();
}

std::optional<int> UiBridge::ShowMessageBox(std::string text, std::string caption, MessageBoxButtons buttons,
                                            std::stop_token stop) {
    return Call(
        [text = std::move(text), caption = std::move(caption), buttons](DialogWindow& target,
                                                                        const Completion& completion) {
            completion.OnAbandon(target.OpenMessageBox(
                text, caption, buttons, [completion](int answer) { completion.Complete(answer); }));
        },
        std::move(stop));
}

void UiBridge::Close() {
    {
        std::lock_guard guard(lock);
        window = nullptr;
        changed.notify_all();
    }
    // What a task left open goes with the window; dropping its closer also breaks any reference cycle
    // between the closer and the completion it answers.
    for (const auto& call : std::exchange(started, {})) {
        if (auto state = call.lock())
            state->close = nullptr;
    }
}

} // namespace slabcal
