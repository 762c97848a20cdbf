// The simulated camera's JPEG coding: header layout and decodability.
#include "FrameDecode.h"
#include "sim/CJpegEncoder.h"
#include "sim/CSimScene.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstdlib>

TEST(JpegEncoder, HeaderHasTheFixedLayout)
{
    const auto luminance = CJpegEncoder::LuminanceTable(50);
    const auto chrominance = CJpegEncoder::ChrominanceTable(50);
    std::vector<std::uint8_t> header;
    CJpegEncoder::WriteHeader(1024, 576, luminance, chrominance, header);
    ASSERT_EQ(header.size(), 636u);
    EXPECT_EQ(header[0], 0xFF);
    EXPECT_EQ(header[1], 0xD8);
    EXPECT_EQ(header[6], 0x00);
    EXPECT_EQ(header[7], 16); // first zig-zag entry of the example luminance table at quality 50
    EXPECT_EQ(header[71], 0x01);
    EXPECT_EQ(header[72], 17);
    EXPECT_EQ(std::string(header.begin() + 140, header.begin() + 144), "AVI1");
    EXPECT_EQ(std::string(header.begin() + 158, header.begin() + 163), "TEVAL");
    EXPECT_EQ(header[164], 0xFF);
    EXPECT_EQ(header[165], 0xDD);
    for (int offset : {170, 203, 386, 419}) {
        EXPECT_EQ(header[static_cast<std::size_t>(offset)], 0xFF) << offset;
        EXPECT_EQ(header[static_cast<std::size_t>(offset) + 1], 0xC4) << offset;
    }
    EXPECT_EQ(header[602], 0xFF);
    EXPECT_EQ(header[603], 0xC0);
    EXPECT_EQ(header[607] << 8 | header[608], 576);
    EXPECT_EQ(header[609] << 8 | header[610], 1024);
    EXPECT_EQ(header[613], 0x21);
    EXPECT_EQ(header[621], 0xFF);
    EXPECT_EQ(header[622], 0xFF);
    EXPECT_EQ(header[623], 0xDA);
}

TEST(JpegEncoder, PicturesDecodeCloseToTheOriginal)
{
    CSimScene scene;
    CSimScene::State state;
    state.width = 320;
    state.height = 240;
    std::vector<std::uint8_t> y, cb, cr;
    scene.Render(state, y, cb, cr);
    const auto file = CJpegEncoder::EncodeFile({320, 240, y.data(), cb.data(), cr.data()}, 90);

    tjhandle handle = tjInitDecompress();
    int w = 0, h = 0, sub = 0, colorspace = 0;
    ASSERT_EQ(tjDecompressHeader3(handle, file.data(), file.size(), &w, &h, &sub, &colorspace), 0);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_EQ(sub, TJSAMP_422);
    std::vector<std::uint8_t> gray(320 * 240);
    ASSERT_EQ(tjDecompress2(handle, file.data(), file.size(), gray.data(), w, 0, h, TJPF_GRAY, 0),
              0);
    tjDestroy(handle);
    double error = 0;
    for (std::size_t i = 0; i < gray.size(); ++i) {
        error += std::abs(int(gray[i]) - int(y[i]));
    }
    EXPECT_LT(error / static_cast<double>(gray.size()), 4.0);

    // Coarser tables make smaller scans.
    std::vector<std::uint8_t> fine, coarse;
    CJpegEncoder::EncodeScan({320, 240, y.data(), cb.data(), cr.data()},
                             CJpegEncoder::LuminanceTable(90), CJpegEncoder::ChrominanceTable(90),
                             fine);
    CJpegEncoder::EncodeScan({320, 240, y.data(), cb.data(), cr.data()},
                             CJpegEncoder::LuminanceTable(20), CJpegEncoder::ChrominanceTable(20),
                             coarse);
    EXPECT_LT(coarse.size(), fine.size());
}
