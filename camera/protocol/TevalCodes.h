#pragma once

#include <cstdint>

// Catalogue of the camera's vendor command codes and parameter ids.
namespace teval {

// Command codes (setup packet wValue; codes ending in 00 with "xx" take a byte argument).
inline constexpr std::uint16_t kCmdEndBulkOut = 0x0100;
inline constexpr std::uint16_t kCmdGetParam = 0x0300;
inline constexpr std::uint16_t kCmdGetFreeParams = 0x0A00;
inline constexpr std::uint16_t kCmdSetFreeParams = 0x0B00;
inline constexpr std::uint16_t kCmdSetParam = 0x1200;
inline constexpr std::uint16_t kCmdSendFile = 0x9300;
inline constexpr std::uint16_t kCmdReceiveFile = 0x9500;
inline constexpr std::uint16_t kCmdSendThumbnail = 0x9900;
inline constexpr std::uint16_t kCmdDcfInfo = 0xAD00;
inline constexpr std::uint16_t kCmdSetFileType = 0xAE00;
inline constexpr std::uint16_t kCmdSetFileName = 0xB100;
inline constexpr std::uint16_t kCmdSetCurrentImage = 0xB200;
inline constexpr std::uint16_t kCmdGetCurrentImage = 0xB300;
inline constexpr std::uint16_t kCmdSetCurrentPath = 0xB800;
inline constexpr std::uint16_t kCmdFileAttributes = 0xB900;
inline constexpr std::uint16_t kCmdQueryStatus = 0xD000;
inline constexpr std::uint16_t kCmdMonitor = 0xEF00;

// Field sizes.
inline constexpr int kMonitorTextField = 64;
inline constexpr int kFileNameField = 14;
inline constexpr int kFileAttributesReply = 28;
inline constexpr int kFileAttributesRecord = 24;
inline constexpr int kMaxPathLook = 256;

// Camera parameters (ids for kCmdGetParam / kCmdSetParam).
inline constexpr std::uint16_t kParamFrameRate = 0x2001;
inline constexpr std::uint16_t kParamQuality = 0x2002;
inline constexpr std::uint16_t kParamStreaming = 0x2003;
inline constexpr std::uint16_t kParamFlip = 0x2006;
inline constexpr std::uint16_t kParamBrightness = 0x2008;
inline constexpr std::uint16_t kParamEffect = 0x2009;
inline constexpr std::uint16_t kParamPassOn = 0x200A;
inline constexpr std::uint16_t kParamStreamStatus = 0x200B;
inline constexpr std::uint16_t kParamWidth = 0x200C;
inline constexpr std::uint16_t kParamHeight = 0x200D;
inline constexpr std::uint16_t kParamCameraStatus = 0x200E;
inline constexpr std::uint16_t kParamPassBack = 0x200F;
inline constexpr std::uint16_t kParamAutoFocus = 0x2146;
inline constexpr std::uint16_t kParamZoomIn = 0x2176;
inline constexpr std::uint16_t kParamZoomOut = 0x2177;

// Stream status value while the camera streams.
inline constexpr std::int32_t kStreamStatusStreaming = 0x70;
// Camera status word bits that together mean "camera present".
inline constexpr std::uint32_t kCameraPresentBits = (1u << 26) | (1u << 27);

} // namespace teval
