#pragma once

#include "CCallSys.h"

#include <algorithm>
#include <cstdint>

// The bulk transfer loop shared by the transports: calls of at most kMaxBulkChunk bytes, the
// pointer advancing by the count each call moved. It ends when nothing remains, when a call
// moves a count that is not a multiple of 64 (a short packet ends the transfer), when a call
// moves nothing (a zero-length packet), or when a call fails. The total moved is stored in
// *transferred (if given) also after a failure. chunk(pointer, length, moved) returns false
// on failure and sets moved to the bytes it moved.
template <class Byte, class Chunk>
int RunBulkLoop(Byte *data, int length, unsigned *transferred, Chunk &&chunk)
{
    unsigned total = 0;
    int ok = 1;
    if (length < 0 || (length > 0 && data == nullptr)) {
        ok = 0;
        length = 0;
    }
    while (length > 0) {
        const int want = std::min(length, CCallSys::kMaxBulkChunk);
        int moved = 0;
        const bool success = chunk(data, want, moved);
        moved = std::clamp(moved, 0, want);
        total += static_cast<unsigned>(moved);
        data += moved;
        length -= moved;
        if (!success) {
            ok = 0;
            break;
        }
        if (moved == 0 || moved % 64 != 0) {
            break;
        }
    }
    if (transferred != nullptr) {
        *transferred = total;
    }
    return ok;
}
