#pragma once

#include <cstddef>

namespace slabcal {

// Where OrthoPolyFit takes its work vectors from: the heap unless another storage is installed, which is
// how the tests make an allocation fail.
class FitWorkStorage {
public:
    virtual ~FitWorkStorage() = default;

    // count zero-filled doubles, or nullptr when they cannot be had.
    [[nodiscard]] virtual double* Obtain(std::size_t count) noexcept = 0;
    virtual void Release(double* block) noexcept = 0;
};

// The storage in use; the heap when none is installed.
[[nodiscard]] FitWorkStorage& CurrentFitWorkStorage() noexcept;

// Makes storage the one that later fits use (nullptr: back to the heap) and returns the one installed
// before, nullptr standing for the heap. Fits already running keep the storage they started with.
FitWorkStorage* InstallFitWorkStorage(FitWorkStorage* storage) noexcept;

} // namespace slabcal
