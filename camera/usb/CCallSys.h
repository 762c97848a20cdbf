#pragma once

#include "OpenFailure.h"

#include <cstdint>

class CTransferCancel;

// Abstract USB transport to the camera. Every operation returns non-zero for success and 0 for
// failure, and returns 0 at once, touching nothing, when the transport is not open.
//
// Command word: low 16 bits are the vendor command code (wValue), high 16 bits an argument
// (wIndex) that is sent on device-to-host requests only.
class CCallSys {
public:
    virtual ~CCallSys();

    virtual int IsOpen() = 0;
    // Why the constructor did not open the transport (reason None when it did).
    virtual const OpenResult &OpenError() const;
    // Vendor request host to device; the argument half of the command word is never sent.
    virtual int ControlOut(std::uint32_t command, const void *data, int length) = 0;
    // Vendor request device to host, up to length bytes into buffer.
    virtual int ControlIn(std::uint32_t command, void *buffer, int length) = 0;
    // As ControlIn, and *received (if given) gets the bytes the camera answered, never more
    // than length (0 after a failure). Commands that read a fixed-size reply check it.
    virtual int ControlInReply(std::uint32_t command, void *buffer, int length, int *received) = 0;
    // Bulk transfers in calls of at most 1 MiB, ending early on a short packet. The total moved
    // is stored in *transferred (if given) also after a failure. Length 0 succeeds.
    virtual int BulkWrite(const void *data, int length, unsigned *transferred) = 0;
    virtual int BulkRead(void *buffer, int length, unsigned *transferred) = 0;

    // BulkRead that gives up (returns 0, the total so far in *transferred) soon after the token
    // is cancelled, and also soon after CancelTransfers(). A null token never cancels. Frame
    // reads use this so that stopping a stream always returns promptly; the wait inside is
    // done in short slices.
    virtual int BulkReadCancellable(void *buffer, int length, unsigned *transferred,
                                    const CTransferCancel *cancel) = 0;
    // Makes every pending and later bulk transfer on this transport fail promptly. Called by
    // ReleaseDevice before the access point drops the transport. Thread-safe.
    virtual void CancelTransfers() = 0;

    // Largest single call of the bulk loop.
    static constexpr int kMaxBulkChunk = 1048576;
};
