#pragma once

#include "usb/OpenFailure.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class CCallSys;

// The process-wide device access point: one transport, one recursive device lock, one style
// word. Every device operation of the library goes through it.
//
// Choice of transport on open: with TEVALCAP_SIMULATE=1 in the environment, the simulated
// camera; otherwise the generic USB path (CCallWinUsb), then, only if bit 0 of the style word
// is set, the mini-driver path (CCallMiniUsb).

// The recursive device lock. Command sequences hold it for their whole run.
std::recursive_mutex &DeviceLock();

// The style word (0 at load). Bit 0 allows the mini-driver transport.
std::atomic<std::uint32_t> &StyleWord();
inline constexpr std::uint32_t kStyleAllowMiniDriver = 0x1;

// Returns the current transport, opening one if there is none; nullptr when no camera can be
// reached. Takes the device lock for its own duration. The pointer stays valid while the caller
// holds the device lock (ReleaseDevice needs the lock).
CCallSys *AcquireDevice();

// As AcquireDevice, but the returned reference keeps the transport alive after the device lock
// is released: frame reads use it to run their BulkRead outside the lock. A ReleaseDevice
// meanwhile cancels the transport's transfers and drops the access point's reference; the
// transport is destroyed when the last reference goes.
std::shared_ptr<CCallSys> AcquireDeviceShared();

// How a transport is opened: given the style word, returns an open transport, or nullptr with
// failure saying why. The access point calls it under the device lock.
using TransportFactory =
    std::function<std::shared_ptr<CCallSys>(std::uint32_t style, OpenResult &failure)>;

// Replaces the way transports are opened (an empty factory restores the built-in choice);
// drops the current transport first. For tests that put a transport of their own in place.
void SetTransportFactory(TransportFactory factory);

// Why the last attempt to open a transport failed (reason None after a successful open, and
// before any attempt). Kept until the next attempt.
OpenResult LastOpenFailure();

// Under the device lock: cancels the current transport's transfers and drops it (closing its
// handles once no frame read uses it any more). Does nothing when there is none.
void ReleaseDevice();

// RAII holder of the device lock.
using DeviceLockGuard = std::lock_guard<std::recursive_mutex>;
