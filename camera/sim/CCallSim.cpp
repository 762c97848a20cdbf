#include "CCallSim.h"

#include "CSimCamera.h"
#include "usb/BulkLoop.h"
#include "usb/CTransferCancel.h"

#include <cstdlib>
#include <cstring>

namespace {

// A pending read waits for the camera in slices this long, so a cancellation is seen promptly.
constexpr std::chrono::milliseconds kReadSlice{20};

} // namespace

CCallSim::CCallSim(CSimCamera &camera) : m_camera(camera)
{
    m_open = camera.IsPlugged() ? 1 : 0;
}

CCallSim::~CCallSim() = default;

bool CCallSim::Requested()
{
    const char *value = std::getenv("TEVALCAP_SIMULATE");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

int CCallSim::IsOpen()
{
    return m_open;
}

int CCallSim::ControlOut(std::uint32_t command, const void *data, int length)
{
    if (m_open == 0 || length < 0 || length > 0xFFFF || (length > 0 && data == nullptr)) {
        return 0;
    }
    return m_camera.ControlOut(static_cast<std::uint16_t>(command & 0xFFFF),
                               static_cast<const std::uint8_t *>(data), length)
               ? 1
               : 0;
}

int CCallSim::ControlIn(std::uint32_t command, void *buffer, int length)
{
    if (m_open == 0 || length < 0 || length > 0xFFFF || (length > 0 && buffer == nullptr)) {
        return 0;
    }
    return m_camera.ControlIn(static_cast<std::uint16_t>(command & 0xFFFF),
                              static_cast<std::uint16_t>(command >> 16),
                              static_cast<std::uint8_t *>(buffer), length) >= 0
               ? 1
               : 0;
}

int CCallSim::BulkWrite(const void *data, int length, unsigned *transferred)
{
    if (m_open == 0) {
        return 0;
    }
    return RunBulkLoop(static_cast<const std::uint8_t *>(data), length, transferred,
                       [&](const std::uint8_t *p, int want, int &moved) {
                           moved = 0;
                           if (m_cancelled.load()) {
                               return false;
                           }
                           const int r = m_camera.BulkOut(p, want);
                           moved = r > 0 ? r : 0;
                           return r >= 0;
                       });
}

int CCallSim::BulkRead(void *buffer, int length, unsigned *transferred)
{
    return BulkReadCancellable(buffer, length, transferred, nullptr);
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
                               if (m_cancelled.load() ||
                                   (cancel != nullptr && cancel->IsCancelled())) {
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

void CCallSim::CancelTransfers()
{
    m_cancelled.store(true);
}
