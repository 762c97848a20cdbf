#pragma once

#include <cstdint>
#include <vector>

// The synthetic document the simulated camera films: a printed page with a heading, lines of
// text, a figure and a sticky note with a running clock, lying on a desk. The picture follows
// the camera's brightness, image effect, sensor flip, zoom and focus.
class CSimScene {
public:
    struct State {
        int width = 640;
        int height = 480;
        int brightness = 7; // 7 is neutral
        int effect = 0;     // 0 Graphics 1 ... 4 black and white, 5 negative
        bool flip = false;  // sensor turned half way round
        double zoom = 1.0;  // 1 shows the whole desk
        bool blurred = false;
        int hours = 0;
        int minutes = 0;
        int seconds = 0;

        bool operator==(const State &) const = default;
    };

    // Renders the state as planes for 4:2:2 encoding: y is width x height, cb and cr are
    // (width / 2) x height.
    void Render(const State &state, std::vector<std::uint8_t> &y, std::vector<std::uint8_t> &cb,
                std::vector<std::uint8_t> &cr);

private:
    std::vector<std::uint8_t> m_rgb;
    std::vector<int> m_sum;
};
