#pragma once

#include "framework/DialogWindow.h"
#include "framework/headless/HeadlessBackend.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace slabcal {

class Dialog;

// A dialog window kept in memory, answering every window operation as the Qt window does (the contract in
// DialogWindow.h). Besides the window operations it offers what an operator does (click, select, type,
// close, answer boxes) and what a UI thread does for other threads (run what they posted).
class HeadlessWindow final : public DialogWindow {
public:
    HeadlessWindow(HeadlessBackend& backend, Dialog& dialog);
    ~HeadlessWindow() override;
    HeadlessWindow(const HeadlessWindow&) = delete;
    HeadlessWindow& operator=(const HeadlessWindow&) = delete;

    [[nodiscard]] std::string GetText(int id) const override;
    void SetText(int id, std::string_view text) override;
    void Enable(int id, bool enabled) override;
    [[nodiscard]] bool IsEnabled(int id) const override;
    void SetFocus(int id) override;
    void SetIcon(IconSize size, const IconResource& icon) override;
    int ComboAddString(int id, std::string_view text) override;
    int ComboSetCurSel(int id, int index) override;
    [[nodiscard]] int ComboGetCurSel(int id) const override;
    [[nodiscard]] uint32_t ListGetExtendedStyle(int id) const override;
    void ListSetExtendedStyle(int id, uint32_t exStyle) override;
    int ListInsertColumn(int id, int index, std::string_view header, int widthPixels) override;
    int ListInsertItem(int id, int row, std::string_view text) override;
    bool ListSetItemText(int id, int row, int subItem, std::string_view text) override;
    [[nodiscard]] std::string ListGetItemText(int id, int row, int subItem) const override;
    int MessageBox(std::string_view text, std::string_view caption, MessageBoxButtons buttons) override;
    std::function<void()> OpenMessageBox(std::string_view text, std::string_view caption,
                                         MessageBoxButtons buttons,
                                         std::function<void(int)> answered) override;
    int RunModal() override;
    void End(int result) override;
    void Post(std::function<void()> task) override;

    // What an operator does, as with a mouse and keyboard: a click reaches a button, a choice one of a
    // combo box's items, typing an edit (replacing its text). Input that no enabled, visible control of
    // that kind would take does nothing.
    void Click(int id);
    void Select(int comboId, int index);
    void Type(int id, std::string_view text);
    void PressOk() { Click(IdOk); }
    void PressCancel() { Click(IdCancel); }

    // What the UI thread does for other threads: runs the tasks they posted, in order, then lets the
    // operator answer the boxes that were already open when it was called (from the backend's script). A
    // box opened meanwhile waits for the next call, so a stop that comes first closes it unanswered, as
    // on a screen. Returns the number of tasks run.
    std::size_t ProcessPending();
    // Runs posted tasks until `done` holds or `timeout` passes; false on timeout.
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    // State, for assertions.
    struct Column {
        std::string header;
        int width = 0;
    };
    [[nodiscard]] bool IsVisible(int id) const;
    [[nodiscard]] int FocusedId() const { return focusedId; }
    [[nodiscard]] std::vector<std::string> ComboItems(int id) const;
    [[nodiscard]] std::vector<Column> ListColumns(int id) const;
    [[nodiscard]] int ListRowCount(int id) const;
    [[nodiscard]] std::optional<int> EndResult() const { return endResult; }
    [[nodiscard]] int IconId(IconSize size) const { return size == IconSize::Large ? largeIcon : smallIcon; }
    // Boxes opened by OpenMessageBox and neither answered nor closed yet.
    [[nodiscard]] std::size_t OpenBoxCount() const;

private:
    // One per template control, in template order; id, kind and visibility come from the template.
    struct Control {
        std::string text;
        bool enabled = true;
        std::vector<std::string> items; // combo box
        int selection = -1;             // combo box
        uint32_t exStyle = 0;           // list view
        std::vector<Column> columns;    // list view
        std::vector<std::vector<std::string>> rows;
    };
    struct OpenBox;

    Control& Find(int id);
    [[nodiscard]] const Control& Find(int id) const;
    Control& Find(int id, ControlKind kind);
    [[nodiscard]] const Control& Find(int id, ControlKind kind) const;
    // Whether the operator's input reaches control `id` when it takes input of `kind`.
    [[nodiscard]] bool TakesInput(int id, ControlKind kind) const;
    [[nodiscard]] bool CanTakeFocus(std::size_t at) const;
    void MoveFocusOn(std::size_t from);
    void AnswerOpenBoxes(const std::vector<std::shared_ptr<OpenBox>>& waiting);

    HeadlessBackend& backend;
    Dialog& dialog;
    std::vector<Control> controls;
    int focusedId = 0;
    std::vector<std::shared_ptr<OpenBox>> openBoxes; // UI thread only
    int largeIcon = 0;
    int smallIcon = 0;
    std::optional<int> endResult;

    std::mutex queueLock;
    std::condition_variable queueChanged;
    std::deque<std::function<void()>> queue;
};

} // namespace slabcal
