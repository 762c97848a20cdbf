#include "CCallSys.h"

CCallSys::~CCallSys() = default;

const OpenResult &CCallSys::OpenError() const
{
    static const OpenResult open;
    return open;
}
