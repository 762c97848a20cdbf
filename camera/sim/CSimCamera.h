#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CSimScene.h"

// A protocol-exact model of the camera: parameter registers, streaming with the status that
// reaches 0x70 some time after start, frame messages rendered from a synthetic document scene,
// and a small file store. Its device-side operations are what the USB wire carries, so the same
// model answers the in-process simulated transport (CCallSim) and an emulated usbfs device.
// All operations are thread-safe.
class CSimCamera {
public:
    // Results of BulkIn besides a byte count (0 is a zero-length packet).
    static constexpr int kStall = -1;    // request refused or camera unplugged
    static constexpr int kNotReady = -2; // nothing to send within the wait

    // Delays of the streaming status (model time). The start delay of a camera made while
    // TEVALCAP_SIM_START_MS holds a number of milliseconds (0 to 10000) is that number instead,
    // so a host can be measured against a camera that starts faster or slower.
    static constexpr std::chrono::milliseconds kStartDelay{450};
    static constexpr std::chrono::milliseconds kStopDelay{150};
    static constexpr const char *kStartDelayVariable = "TEVALCAP_SIM_START_MS";
    // The start delay the environment asks for, kStartDelay when it asks for none or for a
    // value that is not a whole number in range.
    static std::chrono::milliseconds StartDelayFromEnvironment();

    // One request as it crossed the wire, for byte-exact tests.
    struct Request {
        enum Kind { ControlOut, ControlIn, BulkOut, BulkIn } kind;
        std::uint16_t code = 0;         // wValue (control requests)
        std::uint16_t index = 0;        // wIndex (control requests)
        int length = 0;                 // wLength or the bulk length asked for
        std::vector<std::uint8_t> data; // bytes sent (out) or answered (in)
    };

    // A stored picture.
    struct StoredFile {
        std::string name;
        std::uint16_t type = 0;
        std::vector<std::uint8_t> data;
        std::vector<std::uint8_t> thumbnail;
    };

    CSimCamera();
    ~CSimCamera();
    CSimCamera(const CSimCamera &) = delete;
    CSimCamera &operator=(const CSimCamera &) = delete;

    // The model behind the simulated transport (one per process).
    static CSimCamera &Shared();

    // ---- device side of the wire ----
    // Vendor request host to device (wIndex is always 0 there). False = stall.
    bool ControlOut(std::uint16_t code, const std::uint8_t *data, int length);
    // Vendor request device to host; returns the bytes answered (<= length) or kStall.
    int ControlIn(std::uint16_t code, std::uint16_t index, std::uint8_t *buffer, int length);
    // Bulk OUT: accepts up to length bytes of the current inbound phase; returns the count or
    // kStall (no phase announced or unplugged).
    int BulkOut(const std::uint8_t *data, int length);
    // Bulk IN transfer of up to length bytes (length a multiple of 64 or the end of a message):
    // the next part of the pending message; while streaming, the next frame once it is due.
    // A message that ended on a whole packet is followed by a zero-length packet (returns 0).
    // Waits at most `wait` for data; kNotReady when nothing came, kStall when unplugged.
    int BulkIn(std::uint8_t *buffer, int length, std::chrono::milliseconds wait);

    // ---- test controls ----
    void Unplug();
    void Replug();
    bool IsPlugged() const;
    // Restores power-on state: registers, store, clock, pending data, log (stays plugged in).
    void Reset();
    // Manual clock: while on, model time advances only through AdvanceClock. Off by default.
    void UseManualClock(bool manual);
    void AdvanceClock(std::chrono::milliseconds delta);
    // Frame pacing at the requested rate (on by default); off makes every frame due at once.
    void SetPaced(bool paced);
    // Recording of wire traffic (off by default).
    void SetLogging(bool on);
    std::vector<Request> TakeLog();

    // ---- inspection ----
    std::int32_t Param(std::uint16_t id) const;
    void SetParam(std::uint16_t id, std::int32_t value);
    std::vector<std::uint16_t> FreeParams(std::uint16_t selector) const;
    std::string LastMonitorCommand() const;
    std::string CurrentPath() const;
    std::string FileName() const;
    std::vector<StoredFile> Files() const;
    // Number of frame pictures encoded so far (encoding happens only when the picture changes).
    std::uint64_t FramesEncoded() const;
    // Last frame message sent, for checks.
    std::vector<std::uint8_t> LastFrameMessage() const;

private:
    using Ms = std::chrono::milliseconds;

    Ms NowLocked() const;
    bool HandleControlOutLocked(std::uint16_t code, const std::uint8_t *data, int length);
    int HandleControlInLocked(std::uint16_t code, std::uint16_t index, std::uint8_t *buffer,
                              int length);
    void WriteParamLocked(std::uint16_t id, std::int32_t value);
    std::int32_t ReadParamLocked(std::uint16_t id);
    void UpdateTimedStateLocked();
    bool FrameDueLocked() const;
    // The picture the parameters ask for now.
    CSimScene::State SceneStateLocked();
    static std::vector<std::uint8_t> EncodePicture(CSimScene &scene, const CSimScene::State &state,
                                                   int quality);
    // Puts the next frame out; false while its first picture is still being made.
    bool PrepareFrameLocked();
    // With the real clock and paced frames, pictures are made ahead on a thread of their own,
    // off the wire's path: a real camera's frames cost the host nothing, so a changed picture
    // must not hold up the reads (the manual clock keeps every picture exact and in order).
    bool RendersAheadLocked() const;
    void RequestPictureLocked(const CSimScene::State &state, int quality);
    void RenderAhead(std::stop_token stop);
    void FinishInboundLocked();
    void ResetLocked();
    void LogLocked(Request::Kind kind, std::uint16_t code, std::uint16_t index, int length,
                   const std::uint8_t *data, int count);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_plugged = true;
    bool m_manualClock = false;
    bool m_paced = true;
    bool m_logging = false;
    Ms m_manualNow{0};
    std::chrono::steady_clock::time_point m_epoch;
    std::vector<Request> m_log;

    std::map<std::uint16_t, std::int32_t> m_params;
    std::map<std::uint16_t, std::vector<std::uint16_t>> m_freeParams;
    bool m_streaming = false;
    Ms m_startDelay = kStartDelay;
    Ms m_streamChange{0}; // when streaming was last switched on or off
    Ms m_nextFrame{0};
    Ms m_zoomChange{0};
    Ms m_focusStart{0};
    double m_zoom = 1.0;

    // Outbound (device to host) message and its read position.
    std::vector<std::uint8_t> m_out;
    std::size_t m_outPos = 0;
    bool m_outZlpDue = false;
    bool m_outIsFrame = false;

    // Inbound bulk phase announced by a control request.
    enum class Inbound { None, FreeParams, File, Path };
    Inbound m_inbound = Inbound::None;
    std::uint16_t m_inboundSelector = 0;
    std::size_t m_inboundExpected = 0;
    std::vector<std::uint8_t> m_in;

    std::vector<StoredFile> m_files;
    std::string m_monitor;
    std::string m_path;
    std::string m_fileName;
    std::uint16_t m_fileType = 0;
    std::uint16_t m_currentImage = 0;

    std::unique_ptr<CSimScene> m_scene;
    std::vector<std::uint8_t> m_frame; // last encoded frame message
    CSimScene::State m_lastState;
    int m_lastQuality = 0;
    std::uint64_t m_framesEncoded = 0;

    // Pictures made ahead: the one asked for and the one done (guarded by m_mutex).
    struct Ahead {
        bool requested = false;
        bool rendering = false;
        CSimScene::State requestState;
        int requestQuality = 0;
        bool ready = false;
        CSimScene::State state;
        int quality = 0;
        std::vector<std::uint8_t> frame;
        std::condition_variable_any wake;
    } m_ahead;
    std::jthread m_renderer; // last: stopped and joined before the rest goes
};
