// Byte-exact protocol of the exported device commands, run through both transports.
#include "ProtocolFixture.h"
#include "commands/TevalCap.h"
#include "device/DeviceAccess.h"
#include "protocol/TevalCodes.h"
#include "usb/CCallSys.h"

#include <numeric>
#include <string>
#include <vector>

using Kind = CSimCamera::Request::Kind;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Pattern(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

std::size_t Total(const std::vector<CSimCamera::Request> &requests)
{
    std::size_t total = 0;
    for (const auto &r : requests) {
        total += r.data.size();
    }
    return total;
}

} // namespace

TEST_P(ProtocolTest, ParameterWriteAndReadCarryTheDescribedFields)
{
    ASSERT_EQ(Teval_SetParamLong(0x2008, 0x00010002), 1);
    TakeLog();
    auto out = Requests(Kind::ControlOut);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].code, 0x1200);
    EXPECT_EQ(out[0].data, (Bytes{0x08, 0x20, 0x02, 0x00, 0x01, 0x00}));
    EXPECT_EQ(Camera().Param(0x2008), 0x00010002);

    // The id's high half is not sent; the read lands in wIndex.
    std::int32_t value = 0;
    ASSERT_EQ(Teval_GetParamLong(0xFFFF2008, &value), 1);
    EXPECT_EQ(value, 0x00010002);
    ASSERT_EQ(Teval_GetParamLong(teval::kParamCameraStatus, nullptr), 1);
    TakeLog();
    auto in = Requests(Kind::ControlIn);
    ASSERT_EQ(in.size(), 2u);
    EXPECT_EQ(in[0].code, 0x0300);
    EXPECT_EQ(in[0].index, 0x2008);
    EXPECT_EQ(in[0].length, 4);
    EXPECT_EQ(in[1].index, teval::kParamCameraStatus);

    // A refused read leaves the output alone; negative values survive the round trip.
    value = 1234;
    EXPECT_EQ(Teval_GetParamLong(0x7777, &value), 0);
    EXPECT_EQ(value, 1234);
    ASSERT_EQ(Teval_SetParamLong(teval::kParamBrightness, -3), 1);
    ASSERT_EQ(Teval_GetParamLong(teval::kParamBrightness, &value), 1);
    EXPECT_EQ(value, -3);
}

TEST_P(ProtocolTest, ReceiveFileSendsSizeHighWordFirstThenDataThenClose)
{
    const Bytes file = Pattern(0x12345);
    ASSERT_EQ(Teval_SetFileName("NOTES.JPG"), 1);
    Camera().TakeLog();
    ASSERT_EQ(Teval_RCVFile(file.data(), static_cast<std::uint32_t>(file.size())), 1);
    TakeLog();
    ASSERT_GE(m_log.size(), 3u);
    EXPECT_EQ(m_log.front().kind, Kind::ControlOut);
    EXPECT_EQ(m_log.front().code, 0x9500);
    EXPECT_EQ(m_log.front().data, (Bytes{0x01, 0x00, 0x45, 0x23}));
    EXPECT_EQ(m_log.back().kind, Kind::ControlOut);
    EXPECT_EQ(m_log.back().code, 0x0100);
    EXPECT_TRUE(m_log.back().data.empty());
    EXPECT_EQ(Total(Requests(Kind::BulkOut)), file.size());

    const auto files = Camera().Files();
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(files.back().name, "NOTES.JPG");
    EXPECT_EQ(files.back().data, file);
}

TEST_P(ProtocolTest, FreeParameterBlocksUseTheByteCountInTheCodeButTheFullLengthOnTheBus)
{
    std::vector<std::uint16_t> words(0x105);
    std::iota(words.begin(), words.end(), std::uint16_t{0x100});
    ASSERT_EQ(Teval_SetFreeParams(words.data(), 0x105, 0x0042), 1);
    TakeLog();
    auto out = Requests(Kind::ControlOut);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].code, 0x0B05);
    EXPECT_EQ(out[0].data, (Bytes{0x42, 0x00}));
    EXPECT_EQ(out[1].code, 0x0100);
    EXPECT_EQ(Total(Requests(Kind::BulkOut)), 0x20Au);
    EXPECT_EQ(Camera().FreeParams(0x42), words);

    // Reading 0x105 words asks the camera for 5 (code 0x0A05) but reads 0x20A bytes; the
    // camera's short answer ends the transfer with success.
    std::vector<std::uint16_t> back(0x105, 0xEEEE);
    ASSERT_EQ(Teval_GetFreeParams(back.data(), 0x105, 0x0042), 1);
    TakeLog();
    out = Requests(Kind::ControlOut);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].code, 0x0A05);
    auto in = Requests(Kind::BulkIn);
    ASSERT_EQ(in.size(), 1u);
    EXPECT_EQ(in[0].length, 0x20A);
    EXPECT_EQ(in[0].data.size(), 10u);
    EXPECT_EQ(std::vector<std::uint16_t>(back.begin(), back.begin() + 5),
              std::vector<std::uint16_t>(words.begin(), words.begin() + 5));
    EXPECT_EQ(back[5], 0xEEEE);
}

TEST_P(ProtocolTest, TextFieldsAreCutAndTerminated)
{
    const std::string longText(100, 'm');
    ASSERT_EQ(Teval_MonitorCmd(longText.c_str()), 1);
    ASSERT_EQ(Teval_SetFileName("ABCDEFGHIJKLMNOP"), 1);
    ASSERT_EQ(Teval_MonitorCmd(nullptr), 1);
    TakeLog();
    auto out = Requests(Kind::ControlOut);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].code, 0xEF00);
    ASSERT_EQ(out[0].data.size(), 64u);
    EXPECT_EQ(std::string(out[0].data.begin(), out[0].data.begin() + 63), longText.substr(0, 63));
    EXPECT_EQ(out[0].data[63], 0);
    EXPECT_EQ(out[1].code, 0xB100);
    ASSERT_EQ(out[1].data.size(), 14u);
    EXPECT_EQ(std::string(out[1].data.begin(), out[1].data.begin() + 13), "ABCDEFGHIJKLM");
    EXPECT_EQ(out[1].data[13], 0);
    EXPECT_EQ(out[2].data, Bytes(64, 0));
    EXPECT_EQ(Camera().FileName(), "ABCDEFGHIJKLM");
}

TEST_P(ProtocolTest, CurrentPathLooksAtMostAt256Characters)
{
    ASSERT_EQ(Teval_SetCurrentPath("/DCIM/101TEST"), 1);
    EXPECT_EQ(Camera().CurrentPath(), "/DCIM/101TEST");
    TakeLog();
    ASSERT_EQ(m_log.size(), 3u);
    EXPECT_EQ(m_log[0].code, 0xB800);
    EXPECT_TRUE(m_log[0].data.empty());
    EXPECT_EQ(m_log[1].kind, Kind::BulkOut);
    EXPECT_EQ(m_log[1].data,
              Bytes({'/', 'D', 'C', 'I', 'M', '/', '1', '0', '1', 'T', 'E', 'S', 'T'}));
    EXPECT_EQ(m_log[2].code, 0x0100);

    // Unterminated within 256 characters, or missing: sent as an empty path (no bulk data).
    std::vector<char> unterminated(300, 'p');
    ASSERT_EQ(Teval_SetCurrentPath(unterminated.data()), 1);
    EXPECT_EQ(Camera().CurrentPath(), "");
    ASSERT_EQ(Teval_SetCurrentPath("/x"), 1);
    ASSERT_EQ(Teval_SetCurrentPath(nullptr), 1);
    EXPECT_EQ(Camera().CurrentPath(), "");
    const std::string longest(255, 'q'); // terminator at index 255: still inside the window
    ASSERT_EQ(Teval_SetCurrentPath(longest.c_str()), 1);
    EXPECT_EQ(Camera().CurrentPath(), longest);
    TakeLog();
    EXPECT_EQ(Requests(Kind::BulkOut).size(), 2u); // "/x" and the 255 characters only
}

TEST_P(ProtocolTest, StorageQueriesPassTheCameraWordsThrough)
{
    const auto files = Camera().Files();
    ASSERT_GE(files.size(), 2u);

    std::uint16_t first = 0, second = 0;
    ASSERT_EQ(Teval_QueryStatus(&first, &second), 1);
    EXPECT_EQ(first, files.size());
    EXPECT_GT(second, 0);
    ASSERT_EQ(Teval_QueryStatus(nullptr, nullptr), 1);

    ASSERT_EQ(Teval_SetCurrentImage(0x0203), 1);
    std::uint16_t image = 0;
    ASSERT_EQ(Teval_GetCurrentImage(&image), 1);
    EXPECT_EQ(image, 0x0203);
    ASSERT_EQ(Teval_SetFileType(7), 1);

    // All four pointers null still performs the request.
    Camera().TakeLog();
    ASSERT_EQ(Teval_GetDCFInfo(1, nullptr, nullptr, nullptr, nullptr), 1);
    TakeLog();
    ASSERT_EQ(Requests(Kind::ControlIn).size(), 1u);
    EXPECT_EQ(m_log[0].code, 0xAD00);
    EXPECT_EQ(m_log[0].index, 1);
    std::uint16_t w[4] = {};
    ASSERT_EQ(Teval_GetDCFInfo(1, &w[0], &w[1], &w[2], &w[3]), 1);
    EXPECT_EQ(w[1], 2);
    EXPECT_EQ(w[2], files.size());

    std::uint8_t record[24];
    std::fill(std::begin(record), std::end(record), 0xAB);
    ASSERT_EQ(Teval_GetFileAttributes(1, record), 1);
    EXPECT_EQ(record[0] | record[1] << 8 | record[2] << 16, static_cast<int>(files[1].data.size()));
    EXPECT_EQ(std::string(reinterpret_cast<char *>(record + 12), files[1].name.size()),
              files[1].name);
    // A non-zero status word fails and leaves the record alone.
    std::uint8_t untouched[24];
    std::fill(std::begin(untouched), std::end(untouched), 0xCD);
    EXPECT_EQ(Teval_GetFileAttributes(200, untouched), 0);
    EXPECT_EQ(untouched[0], 0xCD);
    EXPECT_EQ(untouched[23], 0xCD);
    EXPECT_EQ(Teval_GetFileAttributes(1, nullptr), 1);
}

TEST_P(ProtocolTest, FilesAndThumbnailsComeBackWhole)
{
    const auto files = Camera().Files();
    ASSERT_FALSE(files.empty());
    Bytes buffer(1 << 20, 0);
    std::uint32_t count = 0xFFFFFFFF;
    ASSERT_EQ(Teval_XMTFile(0, buffer.data(), static_cast<std::uint32_t>(buffer.size()), &count),
              1);
    ASSERT_EQ(count, files[0].data.size());
    EXPECT_TRUE(std::equal(files[0].data.begin(), files[0].data.end(), buffer.begin()));
    TakeLog();
    ASSERT_FALSE(m_log.empty());
    EXPECT_EQ(m_log[0].code, 0x9300);

    ASSERT_EQ(
        Teval_XMTThumbnail(2, buffer.data(), static_cast<std::uint32_t>(buffer.size()), &count), 1);
    EXPECT_EQ(count, files[2].thumbnail.size());
    EXPECT_EQ(buffer[0], 0xFF);
    EXPECT_EQ(buffer[1], 0xD8);
    TakeLog();
    EXPECT_EQ(m_log[0].code, 0x9902);

    // A missing file fails and leaves the count alone.
    count = 77;
    EXPECT_EQ(Teval_XMTFile(99, buffer.data(), 1000, &count), 0);
    EXPECT_EQ(count, 77u);
}

TEST_P(ProtocolTest, BulkLoopSplitsAtOneMebibyteAndStopsAtShortOrExactEnd)
{
    // More than 1 MiB: split into calls of at most 1,048,576 bytes both ways.
    const Bytes big = Pattern(CCallSys::kMaxBulkChunk + 300000 + 64 * 3);
    ASSERT_EQ(Teval_RCVFile(big.data(), static_cast<std::uint32_t>(big.size())), 1);
    TakeLog();
    auto out = Requests(Kind::BulkOut);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].data.size(), static_cast<std::size_t>(CCallSys::kMaxBulkChunk));
    EXPECT_EQ(out[1].data.size(), big.size() - CCallSys::kMaxBulkChunk);

    const std::uint8_t number = static_cast<std::uint8_t>(Camera().Files().size() - 1);
    Bytes back(big.size() + 4096, 0);
    std::uint32_t count = 0;
    ASSERT_EQ(Teval_XMTFile(number, back.data(), static_cast<std::uint32_t>(back.size()), &count),
              1);
    EXPECT_EQ(count, big.size());
    EXPECT_TRUE(std::equal(big.begin(), big.end(), back.begin()));
    TakeLog();
    auto in = Requests(Kind::BulkIn);
    // Every call moved a multiple of 64 until the end of the file; the last call's count
    // (300,192 = 64 x 4,690 + 32) is short and ends the transfer.
    ASSERT_EQ(in.size(), 2u);
    EXPECT_EQ(in[0].length, CCallSys::kMaxBulkChunk);
    EXPECT_EQ(in[0].data.size(), static_cast<std::size_t>(CCallSys::kMaxBulkChunk));

    // Exact multiple of 64 equal to the requested length: success after the last call.
    std::vector<std::uint16_t> words(32, 0x5A5A);
    ASSERT_EQ(Teval_SetFreeParams(words.data(), 32, 3), 1);
    std::vector<std::uint16_t> read(32, 0);
    Camera().TakeLog();
    ASSERT_EQ(Teval_GetFreeParams(read.data(), 32, 3), 1);
    EXPECT_EQ(read, words);
    TakeLog();
    in = Requests(Kind::BulkIn);
    ASSERT_EQ(in.size(), 1u);
    EXPECT_EQ(in[0].data.size(), 64u);
}

TEST_P(ProtocolTest, TransportRunsTheLoopAndReportsTotalsAlsoOnFailure)
{
    DeviceLockGuard guard(DeviceLock());
    CCallSys *device = AcquireDevice();
    ASSERT_NE(device, nullptr);
    unsigned moved = 99;
    EXPECT_NE(device->BulkRead(nullptr, 0, &moved), 0); // length 0 succeeds
    EXPECT_EQ(moved, 0u);
    // The argument half of an OUT command word is never sent (the emulated device refuses a
    // non-zero wIndex on OUT requests).
    const std::uint8_t data[6] = {0x09, 0x20, 0x03, 0x00, 0x00, 0x00};
    EXPECT_NE(device->ControlOut(0xBEEF1200u, data, 6), 0);
    EXPECT_EQ(Camera().Param(teval::kParamEffect), 3);

    // A bulk write with no announced phase is refused: 0, with the total (none) reported.
    moved = 99;
    EXPECT_EQ(device->BulkWrite(data, 6, &moved), 0);
    EXPECT_EQ(moved, 0u);
    EXPECT_EQ(device->BulkWrite(nullptr, 6, &moved), 0);
    EXPECT_EQ(device->ControlIn(0x0300, nullptr, 4), 0);
}

TEST_P(ProtocolTest, NullAndAbsurdArgumentsFailSafely)
{
    EXPECT_EQ(Teval_RCVFile(nullptr, 5), 0);
    EXPECT_EQ(Teval_RCVFile(nullptr, 0xFFFFFFFF), 0);
    EXPECT_EQ(Teval_XMTFile(0, nullptr, 100, nullptr), 0);
    EXPECT_EQ(Teval_XMTThumbnail(0, nullptr, 100, nullptr), 0);
    EXPECT_EQ(Teval_SetFreeParams(nullptr, 3, 0), 0);
    EXPECT_EQ(Teval_GetFreeParams(nullptr, 3, 0), 0);
    TakeLog();
    EXPECT_TRUE(m_log.empty()); // refused before touching the camera

    // Zero-size transfers are fine.
    EXPECT_EQ(Teval_SetFreeParams(nullptr, 0, 0), 1);
    std::uint32_t count = 5;
    // A file read into an empty buffer moves nothing and succeeds.
    EXPECT_EQ(Teval_XMTFile(0, nullptr, 0, &count), 1);
    EXPECT_EQ(count, 0u);
    std::uint8_t small[100];
    EXPECT_EQ(Teval_XMTFile(0, small, sizeof small, &count), 1); // file is longer: cut
    EXPECT_EQ(count, sizeof small);
}

TEST_P(ProtocolTest, UnpluggedCameraFailsUntilReleasedAndReopened)
{
    ASSERT_EQ(Teval_OpenDevice(), 1);
    Camera().Unplug();
    // The transport stays current (not re-checked), its transfers fail.
    EXPECT_EQ(Teval_OpenDevice(), 1);
    std::int32_t value = 5;
    EXPECT_EQ(Teval_GetParamLong(teval::kParamBrightness, &value), 0);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(Teval_SetParamLong(teval::kParamBrightness, 3), 0);

    Teval_CloseDevice();
    EXPECT_EQ(Teval_OpenDevice(), 0);
    EXPECT_EQ(Teval_QueryStatus(nullptr, nullptr), 0);
    Camera().Replug();
    EXPECT_EQ(Teval_GetParamLong(teval::kParamBrightness, &value), 1);
    EXPECT_EQ(value, 7);
    Teval_CloseDevice();
    Teval_CloseDevice(); // without a transport: nothing
    EXPECT_EQ(Teval_OpenDevice(), 1);
}

TEST_P(ProtocolTest, StyleWordIsMaskedWithoutTouchingTheDevice)
{
    EXPECT_EQ(Teval_ModifyStyle(0xFFFFFFFF, 0), 0u);
    EXPECT_EQ(Teval_ModifyStyle(0, 1), 1u);
    EXPECT_EQ(Teval_ModifyStyle(0, 0x30), 0x31u);
    EXPECT_EQ(Teval_ModifyStyle(0x10, 0), 0x21u);
    EXPECT_EQ(Teval_ModifyStyle(0xFFFFFFFF, 0), 0u);
    TakeLog();
    EXPECT_TRUE(m_log.empty());
}

INSTANTIATE_TEST_SUITE_P(Both, ProtocolTest,
                         ::testing::Values(Transport::Simulated, Transport::Usb), TransportName);
