#pragma once

#include "framework/DialogWindow.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace slabcal {

// Lets another thread act on a dialog's window from the UI thread and wait for the outcome. Held by
// shared_ptr: a worker may keep it after the dialog is gone, and every call then returns at once.
// A waiting call is abandoned when the caller's stop is requested or when the window closes, so no
// thread ever waits on a UI thread that has stopped serving it.
class UiBridge final : public std::enable_shared_from_this<UiBridge> {
public:
    // Handed to a task on the UI thread: Complete() ends the caller's wait; a task that leaves something
    // open (a message box) registers what closes it, for an abandoned call.
    class Completion {
    public:
        void Complete(int result) const;
        void OnAbandon(std::function<void()> close) const;

    private:
        friend class UiBridge;
        struct State;
        Completion(std::shared_ptr<UiBridge> bridge, std::shared_ptr<State> state);
        std::shared_ptr<UiBridge> bridge;
        std::shared_ptr<State> state;
    };
    using Task = std::function<void(DialogWindow& window, const Completion& completion)>;

    [[nodiscard]] static std::shared_ptr<UiBridge> Create(DialogWindow& window);

    // Any thread but the UI thread: runs `task` on the UI thread and waits until it completes. Returns its
    // result, or nothing when the call was abandoned.
    std::optional<int> Call(Task task, std::stop_token stop);

    // Worker conveniences.
    bool SetText(int id, std::string text, std::stop_token stop);
    std::optional<int> ShowMessageBox(std::string text, std::string caption, MessageBoxButtons buttons,
                                      std::stop_token stop);

    // UI thread, before the window goes away: every waiting and later call returns at once.
    void Close();

private:
    explicit UiBridge(DialogWindow& window);
    void Run(const Task& task, const std::shared_ptr<Completion::State>& state);
    void Finish(Completion::State& state, int result);

    std::mutex lock;
    std::condition_variable_any changed;
    DialogWindow* window; // null once closed
    // Calls whose task ran and may still hold something open; UI thread only.
    std::vector<std::weak_ptr<Completion::State>> started;
};

} // namespace slabcal
