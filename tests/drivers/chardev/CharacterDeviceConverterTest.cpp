#include "drivers/chardev/CharacterDeviceConverter.h"
#include "platform/ConverterContract.h"
#include "support/Gate.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <slabcal/spa1.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace slabcal {
namespace {

// Stands in for the kernel: records the calls and answers the `first` answers in turn, then `result`; a
// successful call with an argument gets `record` written into it.
struct ScriptedCalls final : DeviceCalls {
    int OpenExclusive(const std::string&) override {
        ++opens;
        return openResult;
    }
    int Control(int device, unsigned long request, void* argument) override {
        controls.push_back({device, request, argument != nullptr});
        if (hold != nullptr)
            hold->Pass();
        int answer = result;
        if (!first.empty()) {
            answer = first.front();
            first.pop_front();
        }
        if (answer >= 0 && argument != nullptr)
            std::memcpy(argument, record.data(), record.size());
        return answer;
    }
    void Close(int device) override { closed.push_back(device); }

    struct Call {
        int device;
        unsigned long request;
        bool withArgument;
        bool operator==(const Call&) const = default;
    };
    test::Gate* hold = nullptr; // where a control call waits, as in a driver that hangs
    int openResult = 7;
    std::deque<int> first;
    int result = 0;
    std::array<std::uint8_t, 5> record{0x01, 0x12, 0x34, 0x56, 0x9A};
    int opens = 0;
    std::vector<Call> controls;
    std::vector<int> closed;
};

// Each code goes to the kernel as its request of <slabcal/spa1.h>; a passing fault is asked again, at most
// three times in all, and what failed is said with the request's name.
TEST(CharacterDeviceConverter, PassesEachKnownCodeAsItsRequestAndNothingElse) {
    std::array<std::uint8_t, 8> buffer{};
    using Call = ScriptedCalls::Call;
    const Call init{7, SPA1_INITIALISE, false};
    const Call large{7, SPA1_SELECT_LARGE_RANGE, false};
    const Call read{7, SPA1_READ_SAMPLE, true};
    const struct {
        std::uint32_t code;
        std::uint8_t* output;
        std::uint32_t length;
        std::deque<int> kernel; // the kernel's answers in turn, the last one repeated
        int result;
        std::vector<Call> calls;
        const char* problem;
    } cases[] = {
        {InitialiseCode, nullptr, 0, {0}, 1, {init}, ""},
        {SelectSmallRangeCode, nullptr, 0, {0}, 1, {{7, SPA1_SELECT_SMALL_RANGE, false}}, ""},
        {SelectLargeRangeCode, nullptr, 0, {3}, 1, {large}, ""},
        {ReadSampleCode, buffer.data(), 8, {0}, 1, {read}, ""},
        {ReadSampleCode, buffer.data(), 8, {-EIO, -EBUSY, 0}, 1, {read, read, read}, ""},
        {InitialiseCode, nullptr, 0, {-ETIMEDOUT, 0}, 1, {init, init}, ""},
        {ReadSampleCode,
         buffer.data(),
         8,
         {-EIO},
         0,
         {read, read, read},
         "/dev/converter0: ioctl SPA1_READ_SAMPLE: Input/output error (3 attempts)"},
        {SelectLargeRangeCode,
         nullptr,
         0,
         {-EAGAIN, -ENOTTY},
         0,
         {large, large},
         "/dev/converter0: ioctl SPA1_SELECT_LARGE_RANGE: Inappropriate ioctl for device (2 attempts)"},
        {SelectLargeRangeCode,
         nullptr,
         0,
         {-ENOTTY},
         0,
         {large},
         "/dev/converter0: ioctl SPA1_SELECT_LARGE_RANGE: Inappropriate ioctl for device"},
        {ReadSampleCode, nullptr, 8, {0}, 0, {}, "no room for a sample record"},
        {ReadSampleCode, buffer.data(), 4, {0}, 0, {}, "no room for a sample record"},
        {13, buffer.data(), 8, {0}, 0, {}, "unknown control code 13"},
        {0, nullptr, 0, {0}, 0, {}, "unknown control code 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << ", kernel " << c.kernel.front());
        ScriptedCalls calls;
        calls.first = c.kernel;
        calls.result = c.kernel.back();
        CharacterDeviceConverter converter("/dev/converter0", calls);
        ASSERT_TRUE(converter.Open());
        buffer.fill(0xEE);
        std::uint32_t bytesReturned = 99;
        EXPECT_EQ(converter.IoControl(c.code, c.output, c.length, &bytesReturned), c.result);
        EXPECT_EQ(calls.controls, c.calls);
        EXPECT_EQ(converter.LastProblem(), c.problem);
        const bool record = c.result == 1 && c.code == ReadSampleCode;
        EXPECT_EQ(bytesReturned, record ? 5u : 0u);
        // The record goes to the first five bytes; the rest of a longer buffer stays the caller's.
        if (record) {
            EXPECT_EQ(buffer, (std::array<std::uint8_t, 8>{0x01, 0x12, 0x34, 0x56, 0x9A, 0xEE, 0xEE, 0xEE}));
        }
    }
}

TEST(CharacterDeviceConverter, OpensOnceAndReleasesOnClose) {
    ScriptedCalls calls;
    {
        CharacterDeviceConverter converter("/dev/converter0", calls);
        ASSERT_TRUE(converter.Open());
        EXPECT_FALSE(converter.Open());
        EXPECT_EQ(calls.opens, 1);
        converter.Close();
        EXPECT_EQ(calls.closed, std::vector<int>{7});
        EXPECT_EQ(converter.IoControl(InitialiseCode, nullptr, 0, nullptr), 0);
        EXPECT_TRUE(calls.controls.empty());

        calls.openResult = -EWOULDBLOCK;
        EXPECT_FALSE(converter.Open());
        EXPECT_EQ(converter.LastProblem(), "/dev/converter0: flock: another process holds the converter");
        calls.openResult = 9;
        ASSERT_TRUE(converter.Open());
    }
    EXPECT_EQ(calls.closed, (std::vector<int>{7, 9})); // dropped while open: the descriptor goes with it
}

// An ioctl that never returns (a driver waiting on hung hardware) holds up nobody but its caller: Close
// returns at once and leaves the descriptor to the call, which closes it once it returns; until then the
// converter is busy, and nothing reaches the kernel on a closed converter.
TEST(CharacterDeviceConverter, AHangingCallHoldsUpOnlyItsCaller) {
    test::Gate gate;
    gate.Close();
    ScriptedCalls calls;
    calls.hold = &gate;
    CharacterDeviceConverter converter("/dev/converter0", calls);
    ASSERT_TRUE(converter.Open());
    int answer = -1;
    std::thread caller([&] { answer = converter.IoControl(InitialiseCode, nullptr, 0, nullptr); });
    ASSERT_TRUE(gate.WaitUntilHeld(std::chrono::seconds(10)));
    std::vector<int> closedMeanwhile{-1};
    bool reopened = true;
    std::string busy;
    int callAfterClose = -1;
    EXPECT_TRUE(test::DoneWhileHeld(
        [&] {
            converter.Close();
            closedMeanwhile = calls.closed;
            reopened = converter.Open();
            busy = converter.LastProblem();
            callAfterClose = converter.IoControl(InitialiseCode, nullptr, 0, nullptr);
        },
        [&] { gate.Open(); }));
    caller.join();
    EXPECT_TRUE(closedMeanwhile.empty());
    EXPECT_FALSE(reopened);
    EXPECT_EQ(busy, "/dev/converter0: already open, or a call on it has not returned");
    EXPECT_EQ(callAfterClose, 0);
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(calls.controls.size(), 1u);
    EXPECT_EQ(calls.closed, std::vector<int>{7});
    EXPECT_TRUE(converter.Open());
}

// Real nodes whose answers are known: each failure comes back as 0 or a refused open, never a hang.
TEST(CharacterDeviceConverterOnRealNodes, DrivesOnlyCharacterDevices) {
    const TemporaryFolder folder;
    WriteHostFile(folder / "regular", "not a converter");
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(folder / "folder");
    const std::pair<std::string, std::string> refused[] = {
        {folder / "regular", "open: not a character device"},
        {folder / "fifo", "open: not a character device"},
        {folder / "folder", "open: Is a directory"},
        {folder / "x", "open: No such file or directory"}};
    for (const auto& [path, problem] : refused) {
        CharacterDeviceConverter converter(path);
        EXPECT_FALSE(converter.Open()) << path;
        EXPECT_EQ(converter.LastProblem(), path + ": " + problem);
    }

    // /dev/null is a character device that knows none of the codes.
    CharacterDeviceConverter null("/dev/null");
    ASSERT_TRUE(null.Open()) << null.LastProblem();
    std::array<std::uint8_t, 5> record{};
    for (const std::uint32_t code :
         {InitialiseCode, SelectSmallRangeCode, SelectLargeRangeCode, ReadSampleCode}) {
        EXPECT_EQ(null.IoControl(code, record.data(), record.size(), nullptr), 0) << code;
        // ENOTTY from the kernel; qemu-user refuses an ioctl it does not know with ENOSYS instead.
        const std::string problem = null.LastProblem();
        EXPECT_TRUE(problem.ends_with("Inappropriate ioctl for device") ||
                    problem.ends_with("Function not implemented"))
            << problem;
    }
}

TEST(CharacterDeviceConverterOnRealNodes, LockKeepsASecondHolderOut) {
    // A node of its own with the null device's numbers: a lock on /dev/null itself would reach every other
    // test process opening it at the same time.
    const TemporaryFolder folder;
    const std::string node = folder / "converter";
    if (::mknod(node.c_str(), S_IFCHR | 0600, ::makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
    CharacterDeviceConverter first(node);
    CharacterDeviceConverter second(node);
    ASSERT_TRUE(first.Open()) << first.LastProblem();
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(second.LastProblem(), node + ": flock: another process holds the converter");
    first.Close();
    EXPECT_TRUE(second.Open()) << second.LastProblem();
}

} // namespace
} // namespace slabcal
