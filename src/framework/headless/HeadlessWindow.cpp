#include "framework/headless/HeadlessWindow.h"

#include "framework/ControlLookup.h"
#include "framework/Dialog.h"

#include <algorithm>
#include <utility>

namespace slabcal {

namespace {

// Whether the list has cell (row, subItem): sub-item 0 always, the others while their column exists.
bool HasCell(std::size_t rows, std::size_t columns, int row, int subItem) {
    return row >= 0 && static_cast<std::size_t>(row) < rows && subItem >= 0 &&
           static_cast<std::size_t>(subItem) < std::max<std::size_t>(columns, 1);
}

} // namespace

// A box opened without blocking. `answered` is emptied when the box is answered or closed.
struct HeadlessWindow::OpenBox {
    std::string text;
    std::string caption;
    MessageBoxButtons buttons = MessageBoxButtons::Ok;
    std::function<void(int)> answered;
};

HeadlessWindow::HeadlessWindow(HeadlessBackend& owner, Dialog& shown)
    : backend(owner), dialog(shown), controls(shown.Template().controls.size()) {
    for (std::size_t at = 0; at < controls.size(); ++at)
        controls[at].text = dialog.Template().controls[at].text;
}

HeadlessWindow::~HeadlessWindow() = default;

HeadlessWindow::Control& HeadlessWindow::Find(int id) {
    return controls[ControlIndex(dialog.Template(), id)];
}
const HeadlessWindow::Control& HeadlessWindow::Find(int id) const {
    return controls[ControlIndex(dialog.Template(), id)];
}
HeadlessWindow::Control& HeadlessWindow::Find(int id, ControlKind kind) {
    return controls[ControlIndex(dialog.Template(), id, kind)];
}
const HeadlessWindow::Control& HeadlessWindow::Find(int id, ControlKind kind) const {
    return controls[ControlIndex(dialog.Template(), id, kind)];
}

std::string HeadlessWindow::GetText(int id) const {
    const std::size_t at = ControlIndex(dialog.Template(), id);
    const Control& control = controls[at];
    switch (dialog.Template().controls[at].kind) {
    case ControlKind::ComboBox:
        return control.selection < 0 ? std::string()
                                     : control.items[static_cast<std::size_t>(control.selection)];
    case ControlKind::ListView:
        return {};
    case ControlKind::Static:
    case ControlKind::Edit:
    case ControlKind::Button:
        break;
    }
    return control.text;
}

void HeadlessWindow::SetText(int id, std::string_view text) {
    const std::size_t at = ControlIndex(dialog.Template(), id);
    // A drop-down list shows its selection and a list view its cells, never a text of their own.
    const ControlKind kind = dialog.Template().controls[at].kind;
    if (kind != ControlKind::ComboBox && kind != ControlKind::ListView)
        controls[at].text = text;
}

void HeadlessWindow::Enable(int id, bool enabled) {
    const std::size_t at = ControlIndex(dialog.Template(), id);
    controls[at].enabled = enabled;
    if (!enabled && focusedId == id)
        MoveFocusOn(at);
}

bool HeadlessWindow::IsEnabled(int id) const {
    return Find(id).enabled;
}

void HeadlessWindow::SetFocus(int id) {
    if (CanTakeFocus(ControlIndex(dialog.Template(), id)))
        focusedId = id;
}

bool HeadlessWindow::CanTakeFocus(std::size_t at) const {
    return controls[at].enabled && dialog.Template().controls[at].visible;
}

// A disabled control hands the focus on to the next tab stop that can take it, as a Qt widget does.
void HeadlessWindow::MoveFocusOn(std::size_t from) {
    const auto& shown = dialog.Template().controls;
    for (std::size_t step = 1; step < shown.size(); ++step) {
        const std::size_t at = (from + step) % shown.size();
        if ((shown[at].styles & style::TabStop) != 0 && CanTakeFocus(at)) {
            focusedId = shown[at].id;
            return;
        }
    }
    focusedId = 0;
}

bool HeadlessWindow::IsVisible(int id) const {
    return dialog.Template().controls[ControlIndex(dialog.Template(), id)].visible;
}

void HeadlessWindow::SetIcon(IconSize size, const IconResource& icon) {
    (size == IconSize::Large ? largeIcon : smallIcon) = icon.id;
}

int HeadlessWindow::ComboAddString(int id, std::string_view text) {
    auto& items = Find(id, ControlKind::ComboBox).items;
    items.emplace_back(text);
    return static_cast<int>(items.size()) - 1;
}

int HeadlessWindow::ComboSetCurSel(int id, int index) {
    Control& combo = Find(id, ControlKind::ComboBox);
    combo.selection = index >= 0 && index < static_cast<int>(combo.items.size()) ? index : -1;
    return combo.selection;
}

int HeadlessWindow::ComboGetCurSel(int id) const {
    return Find(id, ControlKind::ComboBox).selection;
}
std::vector<std::string> HeadlessWindow::ComboItems(int id) const {
    return Find(id, ControlKind::ComboBox).items;
}

uint32_t HeadlessWindow::ListGetExtendedStyle(int id) const {
    return Find(id, ControlKind::ListView).exStyle;
}
void HeadlessWindow::ListSetExtendedStyle(int id, uint32_t exStyle) {
    Find(id, ControlKind::ListView).exStyle = exStyle;
}

int HeadlessWindow::ListInsertColumn(int id, int index, std::string_view header, int widthPixels) {
    auto& columns = Find(id, ControlKind::ListView).columns;
    index = std::clamp(index, 0, static_cast<int>(columns.size()));
    columns.insert(columns.begin() + index, Column{std::string(header), widthPixels});
    return index;
}

int HeadlessWindow::ListInsertItem(int id, int row, std::string_view text) {
    Control& list = Find(id, ControlKind::ListView);
    row = std::clamp(row, 0, static_cast<int>(list.rows.size()));
    list.rows.insert(list.rows.begin() + row, std::vector<std::string>{std::string(text)});
    return row;
}

bool HeadlessWindow::ListSetItemText(int id, int row, int subItem, std::string_view text) {
    Control& list = Find(id, ControlKind::ListView);
    if (!HasCell(list.rows.size(), list.columns.size(), row, subItem))
        return false;
    auto& cells = list.rows[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(subItem) >= cells.size())
        cells.resize(static_cast<std::size_t>(subItem) + 1);
    cells[static_cast<std::size_t>(subItem)] = text;
    return true;
}

std::string HeadlessWindow::ListGetItemText(int id, int row, int subItem) const {
    const Control& list = Find(id, ControlKind::ListView);
    if (!HasCell(list.rows.size(), list.columns.size(), row, subItem))
        return {};
    const auto& cells = list.rows[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(subItem) < cells.size() ? cells[static_cast<std::size_t>(subItem)]
                                                            : std::string();
}

std::vector<HeadlessWindow::Column> HeadlessWindow::ListColumns(int id) const {
    return Find(id, ControlKind::ListView).columns;
}
int HeadlessWindow::ListRowCount(int id) const {
    return static_cast<int>(Find(id, ControlKind::ListView).rows.size());
}

int HeadlessWindow::MessageBox(std::string_view text, std::string_view caption, MessageBoxButtons buttons) {
    return backend.Answer(text, caption, buttons);
}

std::function<void()> HeadlessWindow::OpenMessageBox(std::string_view text, std::string_view caption,
                                                     MessageBoxButtons buttons,
                                                     std::function<void(int)> answered) {
    auto box = std::make_shared<OpenBox>(
        OpenBox{std::string(text), std::string(caption), buttons, std::move(answered)});
    openBoxes.push_back(box);
    // The window owns the box and with it `answered`; the closer only reaches it while the window lives.
    return [weakBox = std::weak_ptr(box)] {
        if (auto closing = weakBox.lock())
            closing->answered = nullptr;
    };
}

std::size_t HeadlessWindow::OpenBoxCount() const {
    return static_cast<std::size_t>(
        std::ranges::count_if(openBoxes, [](const auto& box) { return static_cast<bool>(box->answered); }));
}

void HeadlessWindow::AnswerOpenBoxes(const std::vector<std::shared_ptr<OpenBox>>& waiting) {
    for (const auto& box : waiting) {
        if (box->answered)
            std::exchange(box->answered, nullptr)(backend.Answer(box->text, box->caption, box->buttons));
    }
    std::erase_if(openBoxes, [](const auto& box) { return !box->answered; });
}

int HeadlessWindow::RunModal() {
    for (auto& step : backend.TakeSteps()) {
        if (endResult)
            break;
        step(*this);
        ProcessPending();
    }
    if (!endResult)
        dialog.HandleCommand(IdCancel, Notification::Clicked);
    return endResult.value_or(IdCancel);
}

void HeadlessWindow::End(int result) {
    if (!endResult)
        endResult = result;
}

void HeadlessWindow::Post(std::function<void()> task) {
    std::lock_guard guard(queueLock);
    queue.push_back(std::move(task));
    queueChanged.notify_all();
}

bool HeadlessWindow::TakesInput(int id, ControlKind kind) const {
    const std::size_t at = ControlIndex(dialog.Template(), id);
    const ControlTemplate& control = dialog.Template().controls[at];
    return control.kind == kind && control.visible && controls[at].enabled;
}

void HeadlessWindow::Click(int id) {
    if (id == IdOk || id == IdCancel || TakesInput(id, ControlKind::Button))
        dialog.HandleCommand(id, Notification::Clicked);
}

void HeadlessWindow::Select(int comboId, int index) {
    if (!TakesInput(comboId, ControlKind::ComboBox))
        return;
    Control& combo = Find(comboId);
    if (index < 0 || index >= static_cast<int>(combo.items.size()))
        return;
    combo.selection = index;
    dialog.HandleCommand(comboId, Notification::SelectionChanged);
}

void HeadlessWindow::Type(int id, std::string_view text) {
    if (TakesInput(id, ControlKind::Edit))
        Find(id).text = text;
}

std::size_t HeadlessWindow::ProcessPending() {
    const auto waiting = openBoxes;
    std::size_t ran = 0;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard guard(queueLock);
            if (queue.empty())
                break;
            task = std::move(queue.front());
            queue.pop_front();
        }
        task();
        ++ran;
    }
    AnswerOpenBoxes(waiting);
    return ran;
}

bool HeadlessWindow::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    // The condition may turn true without anything being posted (another thread finishing), so the wait
    // looks again at short intervals; a box left open is answered on the next round without waiting.
    constexpr std::chrono::milliseconds slice{2};
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        ProcessPending();
        if (done())
            return true;
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        if (OpenBoxCount() > 0)
            continue;
        std::unique_lock guard(queueLock);
        queueChanged.wait_until(guard, std::min(deadline, now + slice), [this] { return !queue.empty(); });
    }
}

} // namespace slabcal
