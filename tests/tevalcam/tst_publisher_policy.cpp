#include "PublishFormat.h"
#include "PublisherPolicy.h"

#include <gtest/gtest.h>

using Action = PublisherPolicy::Action;
using Actions = PublisherPolicy::Actions;

// The camera is present, a consumer comes and goes, the camera is unplugged while serving and
// plugged in again with the consumer still linked.
TEST(PublisherPolicy, FollowsPresenceAndConsumers)
{
    PublisherPolicy policy;
    EXPECT_EQ(policy.onConsumers(0), Actions{});
    EXPECT_EQ(policy.onPresence(false), Actions{});
    EXPECT_EQ(policy.onPresence(true), Actions{Action::Publish});
    EXPECT_EQ(policy.onPresence(true), Actions{});
    EXPECT_TRUE(policy.needsProbe());

    EXPECT_EQ(policy.onConsumers(1), Actions{Action::StartCamera});
    EXPECT_FALSE(policy.needsProbe()) << "a second camera element would stop the stream";
    EXPECT_EQ(policy.onConsumers(2), Actions{});
    EXPECT_EQ(policy.onConsumers(1), Actions{});
    EXPECT_EQ(policy.onConsumers(0), Actions{Action::StopCamera});
    EXPECT_TRUE(policy.published());

    EXPECT_EQ(policy.onConsumers(1), Actions{Action::StartCamera});
    EXPECT_EQ(policy.onPresence(false), (Actions{Action::StopCamera, Action::Unpublish}));
    EXPECT_FALSE(policy.published());
    EXPECT_EQ(policy.onConsumers(1), Actions{}) << "no node, no camera";
    EXPECT_EQ(policy.onPresence(true), (Actions{Action::Publish, Action::StartCamera}));
}

// A stream that fails is stopped and tried again only after the next probe; a node that could
// not be published is tried again on the next presence report.
TEST(PublisherPolicy, RetriesAfterFailures)
{
    PublisherPolicy policy;
    policy.onPresence(true);
    policy.onConsumers(1);
    EXPECT_EQ(policy.onCameraFailed(), Actions{Action::StopCamera});
    EXPECT_EQ(policy.onCameraFailed(), Actions{});
    EXPECT_TRUE(policy.needsProbe());
    EXPECT_EQ(policy.onPresence(true), Actions{Action::StartCamera});

    PublisherPolicy refused;
    EXPECT_EQ(refused.onPresence(true), Actions{Action::Publish});
    refused.onPublishFailed();
    EXPECT_EQ(refused.onConsumers(1), (Actions{Action::Publish, Action::StartCamera}));
    refused.onPublishFailed();
    EXPECT_FALSE(refused.serving());
    EXPECT_EQ(refused.onPresence(false), Actions{});
}

TEST(PublishFormat, OnlyTheCamerasSizes)
{
    const auto xga = PublishFormat::fromText("1024x768");
    ASSERT_TRUE(xga);
    EXPECT_EQ(xga->framesPerSecond, 25);
    EXPECT_EQ(
        xga->rawCaps(),
        "video/x-raw,format=I420,width=1024,height=768,framerate=25/1,pixel-aspect-ratio=1/1");
    EXPECT_EQ(xga->cameraCaps(), "image/jpeg,width=1024,height=768,framerate=25/1");
    EXPECT_EQ(PublishFormat::fromText("320X240")->framesPerSecond, 30);
    EXPECT_EQ(PublishFormat::fromText("1280x960")->framesPerSecond, 12);
    EXPECT_EQ(PublishFormat::standard().text(), "1280x720");
    for (const char *wrong :
         {"", "1024", "1024x", "1024x768x", "1000x750", "x768", "-1x-1", "1024*768", "1024x768 "}) {
        EXPECT_FALSE(PublishFormat::fromText(wrong)) << wrong;
    }
}
