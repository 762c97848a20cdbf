#pragma once

#include "device/DeviceAccess.h"
#include "filter/CStreamWaiter.h"
#include "sim/CSimCamera.h"

#include <gtest/gtest.h>

#include <cstdlib>

// Tests against the simulated camera, in power-on state, with its traffic logged.
class SimFixture : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("TEVALCAP_SIMULATE", "1", 1);
        ReleaseDevice();
        Camera().Reset();
        Camera().Replug();
        Camera().UseManualClock(true);
        Camera().SetPaced(false);
        Camera().SetLogging(true);
    }
    void TearDown() override
    {
        Camera().SetLogging(false);
        Camera().UseManualClock(false);
        Camera().Reset();
        ReleaseDevice();
    }
    static CSimCamera &Camera() { return CSimCamera::Shared(); }
};

// Pauses of the start and stop sequences in model time: each pause moves the simulated
// camera's clock (when `advanceCamera`) and this waiter's own clock, without sleeping.
class ModelTimeWaiter : public CStreamWaiter {
public:
    explicit ModelTimeWaiter(bool advanceCamera = true) : m_advance(advanceCamera) {}
    std::chrono::milliseconds Now() override { return m_now; }
    bool Wait(std::chrono::milliseconds duration) override
    {
        if (IsCancelled()) {
            return false;
        }
        m_now += duration;
        ++m_waits;
        if (m_advance) {
            CSimCamera::Shared().AdvanceClock(duration);
        }
        return true;
    }
    int Waits() const { return m_waits; }

private:
    bool m_advance;
    std::chrono::milliseconds m_now{0};
    int m_waits = 0;
};
