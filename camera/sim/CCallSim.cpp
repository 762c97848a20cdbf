#include "CCallSim.h"

#include "CSimCamera.h"
#include "usb/BulkLoop.h"
#include "usb/TevalLog.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <unistd.h>

namespace {

// A pending read waits for the camera in slices this long, so a cancellation is seen promptly.
constexpr std::chrono::milliseconds kReadSlice{20};

// TEVALCAP_SIM_LOCK=private: this process's simulated camera is its own (parallel tests).
constexpr const char *kPrivateClaim = "private";

// The claim of this process on a path, shared by its transports: a transport that a frame read
// still holds after the access point dropped it keeps the claim, and the next one shares it.
std::shared_ptr<CRuntimeLock> SharedClaim(const std::string &path)
{
    static std::mutex mutex;
    static std::map<std::string, std::weak_ptr<CRuntimeLock>> claims;
    std::lock_guard lock(mutex);
    std::weak_ptr<CRuntimeLock> &slot = claims[path];
    std::shared_ptr<CRuntimeLock> claim = slot.lock();
    if (!claim) {
        claim = std::make_shared<CRuntimeLock>(path);
        slot = claim;
    }
    return claim;
}

OpenResult ClaimFailure(const CRuntimeLock &claim)
{
    if (claim.Errno() != EWOULDBLOCK) {
        return {OpenFailure::Claim, "cannot claim the simulated camera through " + claim.Path() +
                                        ": " + std::strerror(claim.Errno())};
    }
    std::string text = "interface 0 is claimed by another program";
    const CRuntimeLock::Holder holder = CRuntimeLock::ReadHolder(claim.Path());
    if (holder.pid != 0) {
        text += " (pid " + std::to_string(holder.pid);
        if (!holder.program.empty()) {
            text += ", " + holder.program;
        }
        text += ")";
    }
    return {OpenFailure::Busy, text};
}

} // namespace

CCallSim::CCallSim(CSimCamera &camera, const std::string &claimPath) : m_camera(camera)
{
    if (!camera.IsPlugged()) {
        m_failure = {OpenFailure::Unplugged, "the simulated camera is unplugged"};
        TEVAL_INFO("%s", m_failure.text.c_str());
        return;
    }
    if (!claimPath.empty()) {
        m_claim = SharedClaim(claimPath);
        if (!m_claim->TryLock()) {
            m_failure = ClaimFailure(*m_claim);
            TEVAL_WARNING("claiming the simulated camera through %s: %s (errno %d)",
                          claimPath.c_str(), std::strerror(m_claim->Errno()), m_claim->Errno());
            m_claim.reset();
            return;
        }
    }
    m_open = 1;
}

std::string CCallSim::ClaimPath()
{
    const char *path = std::getenv("TEVALCAP_SIM_LOCK");
    if (path != nullptr && std::strcmp(path, kPrivateClaim) == 0) {
        return "/tmp/tevalcap-sim-" + std::to_string(::getuid()) + "-" +
               std::to_string(::getpid()) + ".lock";
    }
    if (path != nullptr && path[0] != '\0') {
        return path;
    }
    return CRuntimeLock::PathFor("tevalcap-sim");
}

CCallSim::~CCallSim() = default;

bool CCallSim::Requested()
{
    const char *value = std::getenv("TEVALCAP_SIMULATE");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

int CCallSim::ControlOut(std::uint32_t command, const void *data, int length)
{
    if (!Accepts(data, length, 0xFFFF)) {
        return 0;
    }
    return m_camera.ControlOut(static_cast<std::uint16_t>(command & 0xFFFF),
                               static_cast<const std::uint8_t *>(data), length)
               ? 1
               : 0;
}

int CCallSim::ControlInReply(std::uint32_t command, void *buffer, int length, int *received)
{
    if (received != nullptr) {
        *received = 0;
    }
    if (!Accepts(buffer, length, 0xFFFF)) {
        return 0;
    }
    const int r = m_camera.ControlIn(static_cast<std::uint16_t>(command & 0xFFFF),
                                     static_cast<std::uint16_t>(command >> 16),
                                     static_cast<std::uint8_t *>(buffer), length);
    if (r < 0) {
        TEVAL_DEBUG("simulated camera stalled control in 0x%04x",
                    static_cast<unsigned>(command & 0xFFFF));
        return 0;
    }
    if (received != nullptr) {
        *received = std::min(r, length);
    }
    return 1;
}

int CCallSim::BulkWrite(const void *data, int length, unsigned *transferred)
{
    if (m_open == 0) {
        return 0;
    }
    return RunBulkLoop(static_cast<const std::uint8_t *>(data), length, transferred,
                       [&](const std::uint8_t *p, int want, int &moved) {
                           moved = 0;
                           if (Cancelled(nullptr)) {
                               return false;
                           }
                           const int r = m_camera.BulkOut(p, want);
                           moved = r > 0 ? r : 0;
                           return r >= 0;
                       });
}

int CCallSim::BulkReadCancellable(void *buffer, int length, unsigned *transferred,
                                  const CTransferCancel *cancel)
{
    if (m_open == 0) {
        return 0;
    }
    return RunBulkLoop(static_cast<std::uint8_t *>(buffer), length, transferred,
                       [&](std::uint8_t *p, int want, int &moved) {
                           moved = 0;
                           for (;;) {
                               if (Cancelled(cancel)) {
                                   return false;
                               }
                               const int r = m_camera.BulkIn(p, want, kReadSlice);
                               if (r == CSimCamera::kNotReady) {
                                   continue;
                               }
                               moved = r > 0 ? r : 0;
                               return r >= 0;
                           }
                       });
}
