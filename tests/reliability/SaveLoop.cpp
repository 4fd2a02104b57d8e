// The kill test's victim: saves the calibration again and again until it is killed.
//   reliability_save_loop ROOT FIRST-VARIANT [COUNT]
// Opens the calibration dialog on the headless backend over the device root ROOT, writes "ready" and a
// line end to standard output, then presses "参数写入文件" for ever, with variant FIRST-VARIANT, the next
// one, and so on, so that each save stores other values. Ends with status 1 at the first save that is not
// reported as stored, and at once when the process that started it is gone. With COUNT it ends with status
// 0 after that many saves (a test that runs saves as another user).
#include "reliability/HeadlessCalibration.h"

#include <cstdlib>
#include <iostream>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: reliability_save_loop ROOT FIRST-VARIANT [COUNT]\n";
        return 2;
    }
    // A loop nobody kills any more must not outlive the test.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() == 1)
        return 3;

    slabcal::DeviceFileSystem files(argv[1]);
    slabcal::HeadlessCalibration calibration(files);
    std::cout << "ready" << std::endl;
    const int first = std::atoi(argv[2]);
    const int count = argc == 4 ? std::atoi(argv[3]) : -1;
    for (int variant = first; count < 0 || variant < first + count; ++variant) {
        calibration.UseVariant(variant);
        if (!calibration.Save().Succeeded()) {
            std::cerr << "save " << variant << " was not stored\n";
            return 1;
        }
    }
    return 0;
}
