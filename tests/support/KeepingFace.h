#pragma once

#include "worksheet/SaveFace.h"

namespace slabcal::test {

// Keeps every segment and shows nothing: a write that stores whatever the table holds.
struct KeepingFace final : WriteFace {
    void InvalidRow(int) override {}
    void FitFailed(int) override {}
    bool KeepOverLimit(int, const SegmentFit&) override { return true; }
    void StoreFailed(const StoreResult&) override {}
    void Warning(std::string_view) override {}
    void Notice(std::string_view) override {}
    void Finished(const StoreResult&) override {}
    void Recorded(std::string_view) override {}
    void RecordFailed(std::string_view) override {}
    void BrokenOff(SaveStep, std::string_view) override {}
};

} // namespace slabcal::test
