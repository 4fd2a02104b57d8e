/* SPDX-License-Identifier: MIT */
/*
 * The converter interface slabcal drives on a gauge's character device (/dev/spa1 or any node given
 * with --device /dev/NODE): what a kernel driver for the gauge's AD converter implements.
 *
 * open:  slabcal opens the node O_RDWR and takes flock(LOCK_EX | LOCK_NB) on it; a second process is
 *        turned away by the lock, not by the driver.
 * ioctl: the four requests below, each answering 0 on success and -1 with errno on failure. EIO, EAGAIN,
 *        EBUSY and ETIMEDOUT are taken for a passing fault and the request is made again (three attempts
 *        in all) before the converter is given up; any other error gives it up at once. EINTR is
 *        repeated. A request may block for the length of one conversion.
 *
 * The ioctl type 0xB7 is not registered in the kernel's list of ioctl numbers; a driver meant for a
 * mainline tree registers its own and keeps the numbers and the record as they are here.
 */
#ifndef SLABCAL_SPA1_H
#define SLABCAL_SPA1_H

#include <linux/ioctl.h>
#include <linux/types.h>

/* One conversion. bytes[1..3]: the 24-bit result, most significant byte first, 0 at the bottom of the
 * input range (offset binary for an input that changes sign: zero input is 0x800000). bytes[0] and
 * bytes[4] are the driver's own and ignored. The gauge's signal is the average of five such results,
 * divided by 1000. */
struct spa1_sample {
    __u8 bytes[5];
};

#define SPA1_IOCTL_TYPE 0xB7

/* Puts the converter in its ready state (called at start-up). */
#define SPA1_INITIALISE _IO(SPA1_IOCTL_TYPE, 14)
/* The converter's small and large measuring range (its two gains). */
#define SPA1_SELECT_SMALL_RANGE _IO(SPA1_IOCTL_TYPE, 8)
#define SPA1_SELECT_LARGE_RANGE _IO(SPA1_IOCTL_TYPE, 9)
/* One conversion on the current range, copied to the caller's struct spa1_sample. */
#define SPA1_READ_SAMPLE _IOR(SPA1_IOCTL_TYPE, 12, struct spa1_sample)

#endif /* SLABCAL_SPA1_H */
