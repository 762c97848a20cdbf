#include "CSimCamera.h"

#include "CJpegEncoder.h"
#include "CSimScene.h"
#include "protocol/TevalCodes.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

using namespace teval;

namespace {

constexpr std::int32_t kStatusIdle = 0x10;
constexpr std::int32_t kStatusWord = 0x0C000001; // bits 26 and 27: camera present
// Largest frame message a reader is ready for (the sample buffer less the header room).
constexpr std::size_t kMaxFrameMessage = 523264;
constexpr std::chrono::milliseconds kFocusTime{800};
constexpr double kZoomPerSecond = 1.5;
constexpr double kMaxZoom = 4.0;
constexpr std::size_t kMaxInbound = 16u << 20;
constexpr int kStoreCapacityBlocks = 4096; // free-space unit: 64 KiB

std::uint16_t Word(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void PutWord(std::uint8_t *p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutLong(std::uint8_t *p, std::uint32_t v)
{
    PutWord(p, v & 0xFFFF);
    PutWord(p + 2, v >> 16);
}

// Frame message: both tables, the scan, EOI, and zero padding so that the length is 16 more
// than a multiple of 64 (at least 512) with the EOI 17 to 80 bytes before the end.
std::vector<std::uint8_t> FrameMessage(const CJpegEncoder::Table &luminance,
                                       const CJpegEncoder::Table &chrominance,
                                       std::vector<std::uint8_t> &&scan)
{
    std::vector<std::uint8_t> message;
    message.reserve(scan.size() + 256);
    message.insert(message.end(), luminance.begin(), luminance.end());
    message.insert(message.end(), chrominance.begin(), chrominance.end());
    message.insert(message.end(), scan.begin(), scan.end());
    const std::size_t eoi = message.size();
    message.push_back(0xFF);
    message.push_back(0xD9);
    std::size_t length = std::max<std::size_t>(512, eoi + 17);
    while (length % 64 != 16) {
        ++length;
    }
    message.resize(length, 0x00);
    return message;
}

// A picture of the default scene for the file store.
std::vector<std::uint8_t> StorePicture(int width, int height, int effect, int hours)
{
    CSimScene scene;
    CSimScene::State state;
    state.width = width;
    state.height = height;
    state.effect = effect;
    state.hours = hours;
    state.minutes = 30;
    std::vector<std::uint8_t> y, cb, cr;
    scene.Render(state, y, cb, cr);
    return CJpegEncoder::EncodeFile({width, height, y.data(), cb.data(), cr.data()}, 80);
}

const std::vector<CSimCamera::StoredFile> &DefaultFiles()
{
    static const std::vector<CSimCamera::StoredFile> files = [] {
        std::vector<CSimCamera::StoredFile> list;
        const char *names[] = {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"};
        for (int i = 0; i < 3; ++i) {
            CSimCamera::StoredFile file;
            file.name = names[i];
            file.type = 1;
            file.data = StorePicture(640, 480, i, 9 + i);
            file.thumbnail = StorePicture(160, 120, i, 9 + i);
            list.push_back(std::move(file));
        }
        return list;
    }();
    return files;
}

} // namespace

CSimCamera::CSimCamera()
    : m_epoch(std::chrono::steady_clock::now()), m_startDelay(StartDelayFromEnvironment()),
      m_scene(new CSimScene)
{
    std::lock_guard lock(m_mutex);
    ResetLocked();
}

CSimCamera::~CSimCamera() = default;

CSimCamera::Ms CSimCamera::StartDelayFromEnvironment()
{
    const char *text = std::getenv(kStartDelayVariable);
    if (text == nullptr || *text == '\0') {
        return kStartDelay;
    }
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 0 || value > 10000) {
        return kStartDelay;
    }
    return Ms{value};
}

CSimCamera &CSimCamera::Shared()
{
    // Never destroyed: a stream thread may still read from it while the process exits.
    static CSimCamera *camera = new CSimCamera;
    return *camera;
}

CSimCamera::Ms CSimCamera::NowLocked() const
{
    if (m_manualClock) {
        return m_manualNow;
    }
    return std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - m_epoch);
}

void CSimCamera::ResetLocked()
{
    m_params = {{kParamFrameRate, 30},
                {kParamQuality, 16},
                {kParamStreaming, 0},
                {kParamFlip, 0},
                {kParamBrightness, 7},
                {kParamEffect, 0},
                {kParamPassOn, 0},
                {kParamStreamStatus, kStatusIdle},
                {kParamWidth, 640},
                {kParamHeight, 480},
                {kParamCameraStatus, kStatusWord},
                {kParamPassBack, 0x0102},
                {kParamAutoFocus, 0},
                {kParamZoomIn, 0},
                {kParamZoomOut, 0}};
    m_freeParams.clear();
    m_streaming = false;
    m_streamChange = NowLocked();
    m_nextFrame = Ms{0};
    m_zoomChange = NowLocked();
    m_focusStart = Ms{-100000};
    m_zoom = 1.0;
    m_out.clear();
    m_outPos = 0;
    m_outZlpDue = false;
    m_outIsFrame = false;
    m_inbound = Inbound::None;
    m_in.clear();
    m_files = DefaultFiles();
    m_monitor.clear();
    m_path = "/DCIM/100DOCCM";
    m_fileName.clear();
    m_fileType = 1;
    m_currentImage = 0;
    m_frame.clear();
    m_ahead.requested = false;
    m_ahead.ready = false;
    m_log.clear();
}

void CSimCamera::Reset()
{
    std::lock_guard lock(m_mutex);
    m_plugged = true;
    m_manualClock = false;
    m_manualNow = Ms{0};
    m_paced = true;
    m_logging = false;
    ResetLocked();
    m_changed.notify_all();
}

void CSimCamera::Unplug()
{
    std::lock_guard lock(m_mutex);
    m_plugged = false;
    m_streaming = false;
    m_params[kParamStreaming] = 0;
    m_params[kParamStreamStatus] = kStatusIdle;
    m_out.clear();
    m_outPos = 0;
    m_outZlpDue = false;
    m_inbound = Inbound::None;
    m_changed.notify_all();
}

void CSimCamera::Replug()
{
    std::lock_guard lock(m_mutex);
    m_plugged = true;
    m_changed.notify_all();
}

bool CSimCamera::IsPlugged() const
{
    std::lock_guard lock(m_mutex);
    return m_plugged;
}

void CSimCamera::UseManualClock(bool manual)
{
    std::lock_guard lock(m_mutex);
    if (manual && !m_manualClock) {
        m_manualNow = NowLocked();
    }
    m_manualClock = manual;
    m_changed.notify_all();
}

void CSimCamera::AdvanceClock(Ms delta)
{
    std::lock_guard lock(m_mutex);
    m_manualNow += delta;
    m_changed.notify_all();
}

void CSimCamera::SetPaced(bool paced)
{
    std::lock_guard lock(m_mutex);
    m_paced = paced;
    m_changed.notify_all();
}

void CSimCamera::SetLogging(bool on)
{
    std::lock_guard lock(m_mutex);
    m_logging = on;
}

std::vector<CSimCamera::Request> CSimCamera::TakeLog()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_log, {});
}

std::int32_t CSimCamera::Param(std::uint16_t id) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_params.find(id);
    return it != m_params.end() ? it->second : 0;
}

void CSimCamera::SetParam(std::uint16_t id, std::int32_t value)
{
    std::lock_guard lock(m_mutex);
    m_params[id] = value;
    m_changed.notify_all();
}

std::vector<std::uint16_t> CSimCamera::FreeParams(std::uint16_t selector) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_freeParams.find(selector);
    return it != m_freeParams.end() ? it->second : std::vector<std::uint16_t>{};
}

std::string CSimCamera::LastMonitorCommand() const
{
    std::lock_guard lock(m_mutex);
    return m_monitor;
}

std::string CSimCamera::CurrentPath() const
{
    std::lock_guard lock(m_mutex);
    return m_path;
}

std::string CSimCamera::FileName() const
{
    std::lock_guard lock(m_mutex);
    return m_fileName;
}

std::vector<CSimCamera::StoredFile> CSimCamera::Files() const
{
    std::lock_guard lock(m_mutex);
    return m_files;
}

std::uint64_t CSimCamera::FramesEncoded() const
{
    std::lock_guard lock(m_mutex);
    return m_framesEncoded;
}

std::vector<std::uint8_t> CSimCamera::LastFrameMessage() const
{
    std::lock_guard lock(m_mutex);
    return m_frame;
}

void CSimCamera::LogLocked(Request::Kind kind, std::uint16_t code, std::uint16_t index, int length,
                           const std::uint8_t *data, int count)
{
    if (!m_logging) {
        return;
    }
    Request request{kind, code, index, length, {}};
    if (data != nullptr && count > 0) {
        request.data.assign(data, data + count);
    }
    m_log.push_back(std::move(request));
}

// ---- timed state: streaming status, zoom, focus ----

void CSimCamera::UpdateTimedStateLocked()
{
    const Ms now = NowLocked();
    if (m_streaming) {
        if (now - m_streamChange >= m_startDelay) {
            m_params[kParamStreamStatus] = kStreamStatusStreaming;
        }
    } else if (m_params[kParamStreamStatus] == kStreamStatusStreaming &&
               now - m_streamChange >= kStopDelay) {
        m_params[kParamStreamStatus] = kStatusIdle;
    }
    const double seconds = std::chrono::duration<double>(now - m_zoomChange).count();
    if (seconds > 0) {
        if (m_params[kParamZoomIn] != 0) {
            m_zoom = std::min(kMaxZoom, m_zoom + seconds * kZoomPerSecond);
        } else if (m_params[kParamZoomOut] != 0) {
            m_zoom = std::max(1.0, m_zoom - seconds * kZoomPerSecond);
        }
    }
    m_zoomChange = now;
    if (m_params[kParamAutoFocus] != 0 && now - m_focusStart >= kFocusTime) {
        m_params[kParamAutoFocus] = 0; // focus found
    }
}

void CSimCamera::WriteParamLocked(std::uint16_t id, std::int32_t value)
{
    UpdateTimedStateLocked();
    const Ms now = NowLocked();
    switch (id) {
    case kParamStreaming:
        if ((value != 0) != m_streaming) {
            m_streaming = value != 0;
            m_streamChange = now;
            m_nextFrame = now;
            // The picture is made while the camera starts, as a real camera's would be.
            if (m_streaming && RendersAheadLocked()) {
                RequestPictureLocked(SceneStateLocked(), m_params[kParamQuality]);
            }
            if (!m_streaming && m_outIsFrame) {
                m_out.clear();
                m_outPos = 0;
            }
        }
        break;
    case kParamAutoFocus:
        if (value != 0) {
            m_focusStart = now;
        }
        break;
    default:
        break;
    }
    m_params[id] = value;
}

bool CSimCamera::FrameDueLocked() const
{
    return !m_paced || NowLocked() >= m_nextFrame;
}

CSimScene::State CSimCamera::SceneStateLocked()
{
    UpdateTimedStateLocked();
    CSimScene::State state;
    state.width = std::clamp(m_params[kParamWidth], 16, 1280) / 16 * 16;
    state.height = std::clamp(m_params[kParamHeight], 8, 960) / 8 * 8;
    state.brightness = m_params[kParamBrightness];
    state.effect = m_params[kParamEffect];
    state.flip = m_params[kParamFlip] != 0;
    state.zoom = std::round(m_zoom * 100) / 100;
    state.blurred = m_params[kParamAutoFocus] != 0;
    // The clock shows the time of day (model time on a manual clock, starting at 10:00:00).
    long long secondsOfDay = 0;
    if (m_manualClock) {
        secondsOfDay = 36000 + m_manualNow.count() / 1000;
    } else {
        const std::time_t t = std::time(nullptr);
        std::tm local{};
        localtime_r(&t, &local);
        secondsOfDay = local.tm_hour * 3600LL + local.tm_min * 60LL + local.tm_sec;
    }
    state.hours = static_cast<int>(secondsOfDay / 3600 % 24);
    state.minutes = static_cast<int>(secondsOfDay / 60 % 60);
    state.seconds = static_cast<int>(secondsOfDay % 60);
    return state;
}

std::vector<std::uint8_t> CSimCamera::EncodePicture(CSimScene &scene, const CSimScene::State &state,
                                                    int quality)
{
    std::vector<std::uint8_t> y, cb, cr;
    scene.Render(state, y, cb, cr);
    const CJpegEncoder::Picture picture{state.width, state.height, y.data(), cb.data(), cr.data()};
    // The camera's quality setting: smaller is finer. A frame that would not fit a reader's
    // buffer is coded more coarsely.
    int jpegQuality = std::clamp(100 - 2 * quality, 10, 95);
    for (;;) {
        const auto luminance = CJpegEncoder::LuminanceTable(jpegQuality);
        const auto chrominance = CJpegEncoder::ChrominanceTable(jpegQuality);
        std::vector<std::uint8_t> scan;
        CJpegEncoder::EncodeScan(picture, luminance, chrominance, scan);
        std::vector<std::uint8_t> frame = FrameMessage(luminance, chrominance, std::move(scan));
        if (frame.size() <= kMaxFrameMessage || jpegQuality <= 5) {
            return frame;
        }
        jpegQuality /= 2;
    }
}

bool CSimCamera::RendersAheadLocked() const
{
    return !m_manualClock && m_paced;
}

void CSimCamera::RequestPictureLocked(const CSimScene::State &state, int quality)
{
    // Asked for already: waiting for the thread or being made.
    if ((m_ahead.requested || m_ahead.rendering) && m_ahead.requestState == state &&
        m_ahead.requestQuality == quality) {
        return;
    }
    m_ahead.requested = true;
    m_ahead.requestState = state;
    m_ahead.requestQuality = quality;
    if (!m_renderer.joinable()) {
        m_renderer = std::jthread([this](std::stop_token stop) { RenderAhead(stop); });
    }
    m_ahead.wake.notify_all();
}

void CSimCamera::RenderAhead(std::stop_token stop)
{
    CSimScene scene; // this thread's own
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (!m_ahead.wake.wait(lock, stop, [this] { return m_ahead.requested; })) {
            return;
        }
        const CSimScene::State state = m_ahead.requestState;
        const int quality = m_ahead.requestQuality;
        m_ahead.requested = false;
        m_ahead.rendering = true;
        lock.unlock();
        std::vector<std::uint8_t> frame = EncodePicture(scene, state, quality);
        lock.lock();
        m_ahead.rendering = false;
        m_ahead.frame = std::move(frame);
        m_ahead.state = state;
        m_ahead.quality = quality;
        m_ahead.ready = true;
        ++m_framesEncoded;
        m_changed.notify_all();
    }
}

bool CSimCamera::PrepareFrameLocked()
{
    const CSimScene::State state = SceneStateLocked();
    const int quality = m_params[kParamQuality];
    const bool changed = m_frame.empty() || !(state == m_lastState) || quality != m_lastQuality;
    if (changed && RendersAheadLocked()) {
        // A picture rendered ahead of the same size and quality replaces the last one; a
        // changed picture is asked for and the last one sent meanwhile, so the frames keep
        // their pace. Only a first picture (or one of another size) is waited for.
        const auto fits = [&](const CSimScene::State &other, int otherQuality) {
            return other.width == state.width && other.height == state.height &&
                   otherQuality == quality;
        };
        if (m_ahead.ready && fits(m_ahead.state, m_ahead.quality)) {
            m_frame = std::move(m_ahead.frame);
            m_lastState = m_ahead.state;
            m_lastQuality = m_ahead.quality;
        }
        m_ahead.ready = false;
        if (!(state == m_lastState) || quality != m_lastQuality || m_frame.empty()) {
            RequestPictureLocked(state, quality);
        }
        if (m_frame.empty() || !fits(m_lastState, m_lastQuality)) {
            return false;
        }
    } else if (changed) {
        m_frame = EncodePicture(*m_scene, state, quality);
        ++m_framesEncoded;
        m_lastState = state;
        m_lastQuality = quality;
    }
    m_out = m_frame;
    m_outPos = 0;
    m_outZlpDue = false;
    m_outIsFrame = true;
    const Ms period{1000 / std::clamp(m_params[kParamFrameRate], 1, 30)};
    const Ms now = NowLocked();
    m_nextFrame = std::max(m_nextFrame + period, now);
    return true;
}

// ---- control requests ----

bool CSimCamera::ControlOut(std::uint16_t code, const std::uint8_t *data, int length)
{
    std::lock_guard lock(m_mutex);
    LogLocked(Request::ControlOut, code, 0, length, data, length);
    if (!m_plugged || length < 0 || (length > 0 && data == nullptr)) {
        return false;
    }
    const bool ok = HandleControlOutLocked(code, data, length);
    m_changed.notify_all();
    return ok;
}

int CSimCamera::ControlIn(std::uint16_t code, std::uint16_t index, std::uint8_t *buffer, int length)
{
    std::lock_guard lock(m_mutex);
    if (!m_plugged || length < 0 || (length > 0 && buffer == nullptr)) {
        LogLocked(Request::ControlIn, code, index, length, nullptr, 0);
        return kStall;
    }
    const int count = HandleControlInLocked(code, index, buffer, length);
    LogLocked(Request::ControlIn, code, index, length, buffer, count);
    return count;
}

bool CSimCamera::HandleControlOutLocked(std::uint16_t code, const std::uint8_t *data, int length)
{
    const std::uint16_t high = code & 0xFF00;
    const std::uint8_t low = static_cast<std::uint8_t>(code & 0xFF);
    auto setOutbound = [&](std::vector<std::uint8_t> bytes) {
        // An empty message is a zero-length packet.
        m_outZlpDue = bytes.empty();
        m_out = std::move(bytes);
        m_outPos = 0;
        m_outIsFrame = false;
    };
    switch (high) {
    case kCmdEndBulkOut:
        if (code != kCmdEndBulkOut) {
            return false;
        }
        FinishInboundLocked();
        return true;
    case kCmdSetParam: {
        if (code != kCmdSetParam || length != 6) {
            return false;
        }
        const std::uint16_t id = Word(data);
        if (!m_params.contains(id) || id == kParamStreamStatus || id == kParamCameraStatus) {
            return false;
        }
        WriteParamLocked(id,
                         static_cast<std::int32_t>(
                             Word(data + 2) | static_cast<std::uint32_t>(Word(data + 4)) << 16));
        return true;
    }
    case kCmdGetFreeParams: {
        if (length != 2) {
            return false;
        }
        auto &words = m_freeParams[Word(data)];
        std::vector<std::uint8_t> bytes(2u * low);
        for (int i = 0; i < low; ++i) {
            PutWord(&bytes[2u * i], i < static_cast<int>(words.size()) ? words[i] : 0);
        }
        setOutbound(std::move(bytes));
        return true;
    }
    case kCmdSetFreeParams:
        if (length != 2) {
            return false;
        }
        m_inbound = Inbound::FreeParams;
        m_inboundSelector = Word(data);
        m_inboundExpected = kMaxInbound;
        m_in.clear();
        return true;
    case kCmdSendFile:
    case kCmdSendThumbnail:
        if (length != 0 || low >= m_files.size()) {
            return false;
        }
        setOutbound(high == kCmdSendFile ? m_files[low].data : m_files[low].thumbnail);
        return true;
    case kCmdReceiveFile: {
        if (code != kCmdReceiveFile || length != 4) {
            return false;
        }
        const std::size_t size =
            (static_cast<std::size_t>(Word(data)) << 16) | Word(data + 2); // high word first
        if (size > kMaxInbound) {
            return false;
        }
        m_inbound = Inbound::File;
        m_inboundExpected = size;
        m_in.clear();
        return true;
    }
    case kCmdSetFileType:
        if (code != kCmdSetFileType || length != 2) {
            return false;
        }
        m_fileType = Word(data);
        return true;
    case kCmdSetFileName:
        if (code != kCmdSetFileName || length != kFileNameField) {
            return false;
        }
        m_fileName.assign(reinterpret_cast<const char *>(data),
                          strnlen(reinterpret_cast<const char *>(data), kFileNameField));
        return true;
    case kCmdSetCurrentImage:
        if (code != kCmdSetCurrentImage || length != 2) {
            return false;
        }
        m_currentImage = Word(data);
        return true;
    case kCmdSetCurrentPath:
        if (code != kCmdSetCurrentPath || length != 0) {
            return false;
        }
        m_inbound = Inbound::Path;
        m_inboundExpected = kMaxPathLook;
        m_in.clear();
        return true;
    case kCmdMonitor:
        if (code != kCmdMonitor || length != kMonitorTextField) {
            return false;
        }
        m_monitor.assign(reinterpret_cast<const char *>(data),
                         strnlen(reinterpret_cast<const char *>(data), kMonitorTextField));
        return true;
    default:
        return false;
    }
}

void CSimCamera::FinishInboundLocked()
{
    switch (m_inbound) {
    case Inbound::FreeParams: {
        std::vector<std::uint16_t> words(m_in.size() / 2);
        for (std::size_t i = 0; i < words.size(); ++i) {
            words[i] = Word(&m_in[2 * i]);
        }
        m_freeParams[m_inboundSelector] = std::move(words);
        break;
    }
    case Inbound::File:
        if (m_in.size() == m_inboundExpected) {
            StoredFile file;
            file.name = m_fileName.empty()
                            ? "IMG_" + std::to_string(1000 + m_files.size() + 1).substr(1) + ".JPG"
                            : m_fileName;
            file.type = m_fileType;
            file.data = std::move(m_in);
            file.thumbnail = DefaultFiles().front().thumbnail;
            if (m_files.size() < 255) {
                m_files.push_back(std::move(file));
            }
        }
        break;
    case Inbound::Path:
        m_path.assign(m_in.begin(), m_in.end());
        break;
    case Inbound::None:
        break;
    }
    m_inbound = Inbound::None;
    m_in.clear();
}

int CSimCamera::HandleControlInLocked(std::uint16_t code, std::uint16_t index, std::uint8_t *buffer,
                                      int length)
{
    std::uint8_t reply[32] = {};
    int size = 0;
    const std::uint16_t high = code & 0xFF00;
    const std::uint8_t low = static_cast<std::uint8_t>(code & 0xFF);
    switch (high) {
    case kCmdGetParam: {
        if (code != kCmdGetParam || !m_params.contains(index)) {
            return kStall;
        }
        UpdateTimedStateLocked();
        PutLong(reply, static_cast<std::uint32_t>(m_params[index]));
        size = 4;
        break;
    }
    case kCmdDcfInfo: {
        if (code != kCmdDcfInfo || index >= m_files.size()) {
            return kStall;
        }
        PutWord(reply, 100);           // directory number
        PutWord(reply + 2, index + 1); // file number
        PutWord(reply + 4, static_cast<std::uint32_t>(m_files.size()));
        PutWord(reply + 6, m_files[index].type);
        size = 8;
        break;
    }
    case kCmdGetCurrentImage:
        if (code != kCmdGetCurrentImage) {
            return kStall;
        }
        PutWord(reply, m_currentImage);
        size = 2;
        break;
    case kCmdFileAttributes: {
        size = kFileAttributesReply;
        if (low >= m_files.size()) {
            PutWord(reply, 1); // no such file
            break;
        }
        const StoredFile &file = m_files[low];
        PutLong(reply + 4, static_cast<std::uint32_t>(file.data.size()));
        PutLong(reply + 8, static_cast<std::uint32_t>(file.thumbnail.size()));
        PutWord(reply + 12, ((2026 - 1980) << 9) | (12 << 5) | 7); // date
        PutWord(reply + 14, (10 << 11) | (low << 5));              // time
        std::memcpy(reply + 16, file.name.data(), std::min<std::size_t>(12, file.name.size()));
        break;
    }
    case kCmdQueryStatus: {
        if (code != kCmdQueryStatus) {
            return kStall;
        }
        std::size_t used = 0;
        for (const StoredFile &file : m_files) {
            used += (file.data.size() + 65535) / 65536;
        }
        PutWord(reply, static_cast<std::uint32_t>(m_files.size()));
        PutWord(reply + 2,
                static_cast<std::uint32_t>(std::max<long>(0, kStoreCapacityBlocks - long(used))));
        size = 4;
        break;
    }
    default:
        return kStall;
    }
    const int count = std::min(size, length);
    if (count > 0) {
        std::memcpy(buffer, reply, static_cast<std::size_t>(count));
    }
    return count;
}

// ---- bulk pipes ----

int CSimCamera::BulkOut(const std::uint8_t *data, int length)
{
    std::lock_guard lock(m_mutex);
    LogLocked(Request::BulkOut, 0, 0, length, data, length);
    if (!m_plugged || m_inbound == Inbound::None || length < 0 || (length > 0 && data == nullptr)) {
        return kStall;
    }
    const std::size_t room = m_inboundExpected - std::min(m_inboundExpected, m_in.size());
    if (static_cast<std::size_t>(length) > room) {
        return kStall;
    }
    m_in.insert(m_in.end(), data, data + length);
    return length;
}

int CSimCamera::BulkIn(std::uint8_t *buffer, int length, std::chrono::milliseconds wait)
{
    std::unique_lock lock(m_mutex);
    if (length < 0 || (length > 0 && buffer == nullptr)) {
        return kStall;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (!m_plugged) {
            return kStall;
        }
        if (m_outZlpDue) {
            m_outZlpDue = false;
            LogLocked(Request::BulkIn, 0, 0, length, nullptr, 0);
            return 0;
        }
        bool awaitingPicture = false;
        if (m_out.empty() && m_streaming && FrameDueLocked()) {
            awaitingPicture = !PrepareFrameLocked();
        }
        if (!m_out.empty()) {
            const std::size_t remaining = m_out.size() - m_outPos;
            const int count = static_cast<int>(std::min<std::size_t>(remaining, length));
            std::memcpy(buffer, m_out.data() + m_outPos, static_cast<std::size_t>(count));
            m_outPos += static_cast<std::size_t>(count);
            if (m_outPos >= m_out.size()) {
                // A message that ended on a whole packet before the host's length ran out is
                // closed by a zero-length packet.
                m_outZlpDue = count % 64 == 0 && count < length;
                m_out.clear();
                m_outPos = 0;
            }
            LogLocked(Request::BulkIn, 0, 0, length, buffer, count);
            return count;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return kNotReady;
        }
        // Wait for the next frame (real clock) or for any change (manual clock), in short steps.
        auto until = deadline;
        if (m_streaming && !m_manualClock && !awaitingPicture) {
            const Ms left = m_nextFrame - NowLocked();
            until = std::min(until, std::chrono::steady_clock::now() + std::max(left, Ms{1}));
        }
        m_changed.wait_until(lock, until);
    }
}
