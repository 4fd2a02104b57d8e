#pragma once

#include "platform/DeviceFileSystem.h"
#include "platform/DeviceRootLock.h"
#include "worksheet/SaveFace.h"

#include <optional>
#include <ostream>

namespace slabcal {

// A save or a write as a command line shows it: what was done on standard output, each failure on its
// own line of standard error, with the dialog's texts; the deviation question is answered by --force.
class CommandLineFace final : public WriteFace {
public:
    CommandLineFace(const DeviceFileSystem& files, std::ostream& out, std::ostream& err, bool force = false);

    void InvalidRow(int row) override;
    void FitFailed(int segment) override;
    [[nodiscard]] bool KeepOverLimit(int segment, const SegmentFit& fit) override;
    void StoreFailed(const StoreResult& stored) override;
    void Warning(std::string_view text) override;
    void Notice(std::string_view text) override;
    void Finished(const StoreResult& stored) override;
    void Recorded(std::string_view name) override;
    void RecordFailed(std::string_view why) override;
    void BrokenOff(SaveStep step, std::string_view why) override;

private:
    const DeviceFileSystem& files;
    std::ostream& out;
    std::ostream& err;
    const bool force;
};

// The exit status (see Commands.h) of a write or save that ended so.
[[nodiscard]] int ExitStatus(WriteOutcome outcome);

// The root's lock for a command that saves, or nothing, with the line that says why on `err`: two programs
// saving into one root would remove each other's temporary files.
[[nodiscard]] std::optional<DeviceRootLock> LockRoot(const DeviceFileSystem& files, std::ostream& err);

} // namespace slabcal
