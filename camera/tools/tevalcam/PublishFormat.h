#pragma once

#include <optional>
#include <string>

// The one raw format the camera node is published in: one of the camera's seven frame sizes
// at the highest frame rate the camera gives at that size (at most 30 per second), in I420,
// which the JPEG decoder gives without conversion and which browsers, OBS and pipewiresrc
// consumers accept.
struct PublishFormat {
    int width = 1280;
    int height = 720;
    int framesPerSecond = 15;

    // "WIDTHxHEIGHT" naming one of the camera's sizes; nothing for any other text.
    static std::optional<PublishFormat> fromText(const std::string &text);
    // The size a video call asks for first when nothing is chosen.
    static PublishFormat standard();

    // What the camera is asked for, and what is published.
    std::string cameraCaps() const;
    std::string rawCaps() const;
    std::string text() const;
};
