#include "framework/DialogWindowContract.h"
#include "framework/headless/HeadlessBackend.h"

namespace slabcal::contract {
namespace {

// The in-memory window as the contract suite drives it: the test's thread is the UI thread and the operator.
class HeadlessDriver {
public:
    DialogBackend& Get() { return backend; }
    void Show(DialogWindow&) {}

private:
    HeadlessBackend backend;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Headless, DialogWindowContract, HeadlessDriver);

} // namespace
} // namespace slabcal::contract
