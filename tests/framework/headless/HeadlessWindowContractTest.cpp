#include "framework/DialogWindowContract.h"
#include "framework/headless/HeadlessWindow.h"

#include <chrono>

namespace slabcal::contract {
namespace {

// The in-memory window as the contract suite drives it: the test's thread is the UI thread and the operator.
class HeadlessDriver {
public:
    DialogBackend& Get() { return backend; }
    void Show(DialogWindow&) {}
    void Click(DialogWindow& window, int id) { Headless(window).Click(id); }
    void ChooseNext(DialogWindow& window, int id) {
        Headless(window).Select(id, window.ComboGetCurSel(id) + 1);
    }
    void Type(DialogWindow& window, int id, std::string_view text) { Headless(window).Type(id, text); }
    int FocusedId(DialogWindow& window) { return Headless(window).FocusedId(); }
    int OpenBoxes(DialogWindow& window) { return static_cast<int>(Headless(window).OpenBoxCount()); }
    void Answer(DialogWindow& window, int answer) {
        backend.QueueAnswer(answer);
        Headless(window).ProcessPending();
    }
    bool ServeUntil(DialogWindow& window, const std::function<bool()>& done) {
        return Headless(window).PumpUntil(done, std::chrono::seconds(20));
    }

private:
    static HeadlessWindow& Headless(DialogWindow& window) { return static_cast<HeadlessWindow&>(window); }
    HeadlessBackend backend;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Headless, DialogWindowContract, HeadlessDriver);

} // namespace
} // namespace slabcal::contract
