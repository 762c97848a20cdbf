// The command-line tool against the simulated camera.
#include "TevalCtl.h"
#include "device/DeviceAccess.h"
#include "sim/CSimCamera.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

class Tool : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("TEVALCAP_SIMULATE");
        ReleaseDevice();
        CSimCamera::Shared().Reset();
    }
    void TearDown() override
    {
        unsetenv("TEVALCAP_SIMULATE");
        ReleaseDevice();
        std::remove(m_file.c_str());
    }

    int Run(std::vector<std::string> args)
    {
        m_out.str("");
        m_err.str("");
        TevalCtl tool(m_out, m_err);
        return tool.Run(args);
    }

    std::ostringstream m_out;
    std::ostringstream m_err;
    std::string m_file = ::testing::TempDir() + "tevalctl_fetch.bin";
};

} // namespace

TEST_F(Tool, UsageErrorsAreExplainedAndDistinctFromDeviceErrors)
{
    EXPECT_EQ(Run({"--help"}), TevalCtl::kOk);
    EXPECT_NE(m_out.str().find("usage: tevalctl"), std::string::npos);
    EXPECT_EQ(Run({}), TevalCtl::kUsageError);
    EXPECT_EQ(Run({"frobnicate"}), TevalCtl::kUsageError);
    EXPECT_NE(m_err.str().find("unknown command 'frobnicate'"), std::string::npos);
    EXPECT_EQ(Run({"--simulate", "set", "brightness", "bright"}), TevalCtl::kUsageError);
    EXPECT_EQ(Run({"--simulate", "get", "nonsense"}), TevalCtl::kUsageError);
    EXPECT_EQ(Run({"--simulate", "fetch", "300", m_file}), TevalCtl::kUsageError);
    // Without --simulate there is no camera on this machine's bus.
    unsetenv("TEVALCAP_SIMULATE");
    EXPECT_EQ(Run({"status"}), TevalCtl::kDeviceError);
    EXPECT_NE(m_err.str().find("no camera found"), std::string::npos);
}

TEST_F(Tool, ReadsWritesListsAndCopiesAgainstTheSimulatedCamera)
{
    ASSERT_EQ(Run({"--simulate", "status"}), TevalCtl::kOk);
    EXPECT_NE(m_out.str().find("present"), std::string::npos);
    ASSERT_EQ(Run({"--simulate", "set", "0x2008", "11"}), TevalCtl::kOk);
    EXPECT_EQ(CSimCamera::Shared().Param(0x2008), 11);
    ASSERT_EQ(Run({"--simulate", "get", "brightness"}), TevalCtl::kOk);
    EXPECT_EQ(m_out.str(), "11 (0x0000000B)\n");
    EXPECT_EQ(Run({"--simulate", "get", "0x7777"}), TevalCtl::kDeviceError);

    ASSERT_EQ(Run({"--simulate", "list"}), TevalCtl::kOk);
    EXPECT_NE(m_out.str().find("IMG_0002.JPG"), std::string::npos);
    EXPECT_NE(m_out.str().find("3 file(s)"), std::string::npos);

    ASSERT_EQ(Run({"--simulate", "fetch", "1", m_file}), TevalCtl::kOk);
    std::ifstream in(m_file, std::ios::binary);
    const std::vector<std::uint8_t> fetched((std::istreambuf_iterator<char>(in)),
                                            std::istreambuf_iterator<char>());
    EXPECT_EQ(fetched, CSimCamera::Shared().Files()[1].data);
    EXPECT_EQ(Run({"--simulate", "fetch", "9", m_file}), TevalCtl::kDeviceError);

    ASSERT_EQ(Run({"--simulate", "store", m_file, "COPY.JPG"}), TevalCtl::kOk);
    const auto files = CSimCamera::Shared().Files();
    EXPECT_EQ(files.back().name, "COPY.JPG");
    EXPECT_EQ(files.back().data, fetched);

    ASSERT_EQ(Run({"--simulate", "monitor", "zoom reset"}), TevalCtl::kOk);
    EXPECT_EQ(CSimCamera::Shared().LastMonitorCommand(), "zoom reset");
    ASSERT_EQ(Run({"--simulate", "path", "/DCIM/200X"}), TevalCtl::kOk);
    EXPECT_EQ(CSimCamera::Shared().CurrentPath(), "/DCIM/200X");
}
