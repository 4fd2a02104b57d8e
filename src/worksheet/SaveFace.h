#pragma once

#include "fitting/SegmentFit.h"
#include "storage/SaveStep.h"
#include "storage/StoreResult.h"

#include <cstdint>
#include <string_view>

namespace slabcal {

// How a save or a write ended, for the face that shows it (a command line turns it into its exit status).
enum class WriteOutcome : std::uint8_t {
    Refused,            // a row is not valid or a segment cannot be fitted: nothing was touched
    Declined,           // the deviation question was answered No: nothing was written
    StoreFailed,        // the parameter file could not be stored: nothing else happened
    Stored,             // the parameter file, its backup copy and the record are all in place
    StoredWithFailures, // the parameter file holds the values, but its backup copy or the record does not,
                        // or their surviving a power cut is not confirmed
};

// What one face of the calibration (the dialog's boxes, a command line's lines) shows of a save, called
// in the order the operator meets it. The texts are the storage's own, the same for every face; nothing here
// decides anything: the save sequence does.
class SaveFace {
public:
    virtual ~SaveFace() = default;

    // The parameter file was not stored (stored.OperatorText() says why); the old one stands, and nothing
    // follows.
    virtual void StoreFailed(const StoreResult& stored) = 0;
    // Something that went wrong in a save that goes on: the file's or the backup's durability is not
    // confirmed, or the backup copy was not made.
    virtual void Warning(std::string_view text) = 0;
    // Something the operator should know that is no failure: a file the gauge could not read was kept aside.
    virtual void Notice(std::string_view text) = 0;
    // The parameter file holds the values ("文件写入完毕").
    virtual void Finished(const StoreResult& stored) = 0;
    // The record of the save, under its file name; or why it could not be stored.
    virtual void Recorded(std::string_view name) = 0;
    virtual void RecordFailed(std::string_view why) = 0;
    // The save was broken off by an unexpected failure (out of memory) after the file was stored:
    // BrokenOffSaveText(step) says how far it came.
    virtual void BrokenOff(SaveStep step, std::string_view why) = 0;
};

// A face that also answers the write command's question and hears why a table cannot be written.
class WriteFace : public SaveFace {
public:
    // Row `row` (from 0) does not hold a positive height and signal: "第N行数据无效".
    virtual void InvalidRow(int row) = 0;
    // Segment `segment` (from 0) cannot be fitted: "第N段拟合失败".
    virtual void FitFailed(int segment) = 0;
    // "偏差过大,强行写入吗？" for segment `segment`: true keeps it, false ends the write with nothing stored.
    [[nodiscard]] virtual bool KeepOverLimit(int segment, const SegmentFit& fit) = 0;
};

} // namespace slabcal
