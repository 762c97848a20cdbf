#pragma once

#include "CCallSys.h"

#include <atomic>

// What every transport does alike: the open state and the reason it did not open, the
// cancellation of all bulk transfers, and the calls that only forward to a fuller one
// (ControlIn to ControlInReply, BulkRead to BulkReadCancellable with no token).
class CCallBase : public CCallSys {
public:
    int IsOpen() override;
    const OpenResult &OpenError() const override;
    int ControlIn(std::uint32_t command, void *buffer, int length) override;
    int BulkRead(void *buffer, int length, unsigned *transferred) override;
    void CancelTransfers() override;

protected:
    // Whether a request with these bytes may go out: the transport is open, the length lies
    // in 0..maxLength and a non-empty request has its buffer.
    bool Accepts(const void *data, int length, int maxLength) const;
    // Whether CancelTransfers() was called or the caller's token (if any) is cancelled.
    bool Cancelled(const CTransferCancel *cancel) const;

    int m_open = 0;
    OpenResult m_failure;

private:
    std::atomic<bool> m_cancelled{false};
};
