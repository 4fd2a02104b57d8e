#include "acquisition/AdcDevice.h"
#include "Eventually.h"
#include "ScriptedDriver.h"
#include "acquisition/ThreadCensus.h"
#include "platform/ApplicationMessageBox.h"
#include "support/Gate.h"
#include "texts/Texts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace slabcal {
namespace {

using test::BoundDriver;
using test::RawRecord;

class MessageCapture final {
public:
    MessageCapture() {
        SetApplicationMessageBoxHandler([this](std::string_view text) { shown.emplace_back(text); });
    }
    ~MessageCapture() { SetApplicationMessageBoxHandler(nullptr); }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    std::vector<std::string> shown;
};

TEST(AdcDeviceOpen, AbsentDriverShowsTheMessageOnceAndEveryOperationFails) {
    MessageCapture messages;
    EXPECT_FALSE(OpenDevice());
    EXPECT_EQ(messages.shown, std::vector<std::string>{std::string(texts::OpenDriverFailed)});

    EXPECT_EQ(InitConverter(), 0);
    EXPECT_EQ(SelectSmallRange(), AdHandleLost);
    EXPECT_EQ(SelectLargeRange(), AdHandleLost);
    uint32_t value = 42;
    EXPECT_EQ(ReadAverage(&value, 5), AdHandleLost);
    EXPECT_EQ(value, 42u);
    EXPECT_EQ(messages.shown.size(), 1u);
}

// What the driver says failed goes to standard error beside the operator's texts, which stay as they are;
// a range failing every cycle is told once, again when its cause changes or after it has worked.
TEST(AdcDeviceDiagnostics, TheDriversProblemIsToldOncePerFailure) {
    MessageCapture messages;
    BoundDriver driver;
    std::ostringstream errors;
    std::streambuf* const standardError = std::cerr.rdbuf(errors.rdbuf());
    ASSERT_TRUE(OpenDevice());
    enum class Call { Small, Large, Read };
    const struct {
        Call call;
        int result;
        const char* problem;
        const char* told; // "": nothing
    } steps[] = {
        {Call::Small, 0, "scale: EBUSY", "did not change its range: scale: EBUSY"},
        {Call::Large, 0, "scale: EBUSY", ""},
        {Call::Small, 0, "scale: EIO", "did not change its range: scale: EIO"},
        {Call::Small, 1, "", ""},
        {Call::Small, 0, "scale: EIO", "did not change its range: scale: EIO"},
        {Call::Small, 0, "", ""}, // a driver that cannot say
        {Call::Read, 0, "raw: EIO", "stopped answering: raw: EIO"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.problem);
        errors.str("");
        driver->SetProblem(step.problem);
        driver->SetRangeResult(step.result);
        driver->SetDefaultRead(step.result, RawRecord(100000));
        uint32_t value = 0;
        const AdResult result = step.call == Call::Read    ? ReadAverage(&value, 5)
                                : step.call == Call::Small ? SelectSmallRange()
                                                           : SelectLargeRange();
        EXPECT_EQ(result == AdOk, step.result == 1);
        EXPECT_EQ(errors.str(), *step.told == '\0'
                                    ? std::string()
                                    : "slabcal: the AD converter (SPA1:) " + std::string(step.told) + "\n");
    }
    std::cerr.rdbuf(standardError);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(AdcDeviceOpen, OpenCloseAndReopenReachTheDriver) {
    MessageCapture messages;
    BoundDriver driver;
    ASSERT_TRUE(OpenDevice());
    CloseDevice();
    CloseDevice(); // nothing left to close
    EXPECT_EQ(driver->Closes(), 1);
    EXPECT_EQ(SelectSmallRange(), AdHandleLost);

    ASSERT_TRUE(OpenDevice());
    EXPECT_EQ(driver->Opens(), 2);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(driver->Calls().empty());
}

// Hangs in its open or in its control calls until the test opens the gate, as a driver waiting on hung
// hardware.
class HangingDriver final : public StreamDriver {
public:
    explicit HangingDriver(bool inOpen) : hangsInOpen(inOpen) { gate.Close(); }
    bool Open() override {
        ++opens;
        if (hangsInOpen)
            gate.Pass();
        return true;
    }
    int IoControl(uint32_t, uint8_t*, uint32_t, uint32_t*) override {
        if (!hangsInOpen)
            gate.Pass();
        return 1;
    }
    void Close() override { ++closes; }

    const bool hangsInOpen;
    test::Gate gate;
    std::atomic<int> opens = 0;
    std::atomic<int> closes = 0;
};

// Start-up is not held up by a driver that does not answer: the open counts as failed, with its message,
// the initialisation as failed, and an open that returns late is closed again at once.
TEST(AdcDeviceOpen, ADriverThatDoesNotAnswerIsGivenUpAtTheDeadline) {
    constexpr std::chrono::milliseconds Deadline{100};
    for (const bool hangsInOpen : {true, false}) {
        SCOPED_TRACE(hangsInOpen ? "the open hangs" : "the initialisation hangs");
        MessageCapture messages;
        const auto driver = std::make_shared<HangingDriver>(hangsInOpen);
        Drivers().Bind(ConverterDeviceName, driver);
        EXPECT_EQ(OpenDevice(Deadline), !hangsInOpen);
        EXPECT_EQ(InitConverter(Deadline), 0);
        CloseDevice();
        EXPECT_EQ(messages.shown, hangsInOpen ? std::vector<std::string>{std::string(texts::OpenDriverFailed)}
                                              : std::vector<std::string>{});
        driver->gate.Open();
        EXPECT_TRUE(test::Eventually([] { return ThreadCensus::Running() == 0; }));
        EXPECT_EQ(driver->opens, 1);
        EXPECT_EQ(driver->closes, 1);
        Drivers().Unbind(ConverterDeviceName);
    }
}

class AdcDeviceOpened : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(OpenDevice()); }

    BoundDriver driver;
};

TEST_F(AdcDeviceOpened, ReadAverageTruncatesTheAverageInThousands) {
    struct Case {
        std::vector<uint32_t> raw;
        uint32_t expected;
    };
    const std::vector<Case> cases{
        {{100000, 100000, 100000, 100000, 100000}, 100},
        {{1999, 2000, 2000, 2000, 2000}, 1}, // sum 9999, average 1999
        {{0, 0, 0, 0, 4999}, 0},
        {{0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}, 16777},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "first raw value " << c.raw.front());
        for (uint32_t raw : c.raw)
            driver->QueueRead(1, RawRecord(raw));
        uint32_t value = 42;
        ASSERT_EQ(ReadAverage(&value, 5), AdOk);
        EXPECT_EQ(value, c.expected);
    }
}

TEST_F(AdcDeviceOpened, ReadAverageIgnoresTheBytesAroundTheResult) {
    for (int i = 0; i < 5; ++i)
        driver->QueueRead(1, RawRecord(123456, 0xFF, 0xFF));
    uint32_t value = 0;
    ASSERT_EQ(ReadAverage(&value, 5), AdOk);
    EXPECT_EQ(value, 123u);
}

TEST_F(AdcDeviceOpened, ReadAverageMakesExactlyCountReadsOfFiveBytes) {
    uint32_t value = 0;
    ASSERT_EQ(ReadAverage(&value, 5), AdOk);
    const auto calls = driver->Calls();
    ASSERT_EQ(calls.size(), 5u);
    for (const auto& call : calls) {
        EXPECT_EQ(call.code, 12u);
        EXPECT_EQ(call.outputLength, 5u);
        EXPECT_TRUE(call.withOutput);
        EXPECT_TRUE(call.withBytesReturned);
    }
}

TEST_F(AdcDeviceOpened, FailedReadStopsAtOnceAndLeavesTheDestination) {
    for (int failure : {0, 2}) { // only exactly TRUE is success
        SCOPED_TRACE(testing::Message() << "read answers " << failure);
        const auto before = driver->Calls().size();
        driver->QueueRead(1, RawRecord(500000));
        driver->QueueRead(1, RawRecord(500000));
        driver->QueueRead(failure, RawRecord(0xFFFFFF));
        uint32_t value = 42;
        EXPECT_EQ(ReadAverage(&value, 5), AdReadError);
        EXPECT_EQ(value, 42u);
        EXPECT_EQ(driver->Calls().size() - before, 3u);
    }
}

TEST_F(AdcDeviceOpened, CountBelowOneIsRefusedWithoutDriverCall) {
    uint32_t value = 42;
    EXPECT_EQ(ReadAverage(&value, 0), AdBadCount);
    EXPECT_EQ(ReadAverage(&value, -1), AdBadCount);
    EXPECT_EQ(value, 42u);
    EXPECT_TRUE(driver->Calls().empty());

    // Without a handle the lost handle is reported, not the count.
    CloseDevice();
    EXPECT_EQ(ReadAverage(&value, 0), AdHandleLost);
}

TEST_F(AdcDeviceOpened, InitConverterStopsAtTheFirstSuccess) {
    driver->QueueInitResult(0);
    driver->QueueInitResult(0);
    driver->QueueInitResult(7);
    EXPECT_EQ(InitConverter(), 7);
    EXPECT_EQ(driver->Codes(), (std::vector<uint32_t>{14, 14, 14}));
}

TEST_F(AdcDeviceOpened, InitConverterFallsBackToOneRead) {
    for (int i = 0; i < 10; ++i)
        driver->QueueInitResult(0);
    driver->QueueRead(1, RawRecord(0));
    driver->QueueRead(0, RawRecord(0));

    EXPECT_NE(InitConverter(), 0);
    EXPECT_EQ(InitConverter(), 0);

    const auto calls = driver->Calls();
    ASSERT_EQ(calls.size(), 12u);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const bool isRead = i % 6 == 5;
        EXPECT_EQ(calls[i].code, isRead ? 12u : 14u) << "call " << i;
        EXPECT_EQ(calls[i].outputLength, isRead ? 5u : 0u) << "call " << i;
    }
}

TEST_F(AdcDeviceOpened, RangeCallSucceedsOnlyOnExactlyTrue) {
    struct Case {
        int driverResult;
        AdResult small;
        AdResult large;
    };
    for (const Case& c : {Case{1, AdOk, AdOk}, Case{2, AdSmallRangeError, AdLargeRangeError},
                          Case{0, AdSmallRangeError, AdLargeRangeError}}) {
        SCOPED_TRACE(testing::Message() << "driver answers " << c.driverResult);
        driver->SetRangeResult(c.driverResult);
        EXPECT_EQ(SelectSmallRange(), c.small);
        EXPECT_EQ(SelectLargeRange(), c.large);
    }
    EXPECT_EQ(driver->Codes(), (std::vector<uint32_t>{8, 9, 8, 9, 8, 9}));
    for (const auto& call : driver->Calls()) {
        EXPECT_EQ(call.outputLength, 0u);
        EXPECT_FALSE(call.withOutput);
    }
}

} // namespace
} // namespace slabcal
