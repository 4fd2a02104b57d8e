#include "fitting/FitWorkStorage.h"

#include <atomic>
#include <cstdlib>

namespace slabcal {
namespace {

class HeapStorage final : public FitWorkStorage {
public:
    double* Obtain(std::size_t count) noexcept override {
        return static_cast<double*>(std::calloc(count, sizeof(double)));
    }
    void Release(double* block) noexcept override { std::free(block); }
};

HeapStorage heap;
std::atomic<FitWorkStorage*> installed{nullptr};

} // namespace

FitWorkStorage& CurrentFitWorkStorage() noexcept {
    FitWorkStorage* storage = installed.load();
    return storage != nullptr ? *storage : heap;
}

FitWorkStorage* InstallFitWorkStorage(FitWorkStorage* storage) noexcept {
    return installed.exchange(storage);
}

} // namespace slabcal
