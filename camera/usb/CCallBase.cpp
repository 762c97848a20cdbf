#include "CCallBase.h"

#include "CTransferCancel.h"

int CCallBase::IsOpen()
{
    return m_open;
}

const OpenResult &CCallBase::OpenError() const
{
    return m_failure;
}

int CCallBase::ControlIn(std::uint32_t command, void *buffer, int length)
{
    return ControlInReply(command, buffer, length, nullptr);
}

int CCallBase::BulkRead(void *buffer, int length, unsigned *transferred)
{
    return BulkReadCancellable(buffer, length, transferred, nullptr);
}

void CCallBase::CancelTransfers()
{
    m_cancelled.store(true);
}

bool CCallBase::Accepts(const void *data, int length, int maxLength) const
{
    return m_open != 0 && length >= 0 && length <= maxLength && (length == 0 || data != nullptr);
}

bool CCallBase::Cancelled(const CTransferCancel *cancel) const
{
    return m_cancelled.load() || (cancel != nullptr && cancel->IsCancelled());
}
