#include "CCallSys.h"

CCallSys::~CCallSys() = default;
