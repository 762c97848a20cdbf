#include "CSimScene.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct Rgb {
    int r, g, b;
};

constexpr double kWorldWidth = 1.0;
constexpr double kWorldHeight = 0.75;

bool Inside(double x, double y, double x0, double y0, double x1, double y1)
{
    return x >= x0 && x < x1 && y >= y0 && y < y1;
}

// Seven-segment digit: segments a b c d e f g as bits 0..6.
constexpr std::array<int, 10> kSegments = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                           0x6D, 0x7D, 0x07, 0x7F, 0x6F};

// Whether (x, y), in a digit cell of unit width and height 2, lies on a lit segment.
bool OnDigit(int digit, double x, double y)
{
    const double t = 0.22; // stroke
    const int s = kSegments[static_cast<std::size_t>(digit)];
    const bool horizontal = x >= t && x < 1 - t;
    const bool left = x < t + 0.02;
    const bool right = x >= 1 - t - 0.02;
    const bool top = y >= t && y < 1;
    const bool bottom = y >= 1 && y < 2 - t;
    return ((s & 0x01) && horizontal && y < t) || ((s & 0x02) && right && top) ||
           ((s & 0x04) && right && bottom) || ((s & 0x08) && horizontal && y >= 2 - t) ||
           ((s & 0x10) && left && bottom) || ((s & 0x20) && left && top) ||
           ((s & 0x40) && horizontal && std::fabs(y - 1) < t / 2);
}

bool OnClock(const CSimScene::State &state, double x, double y)
{
    // "HH:MM:SS": eight cells of width 1.4 (digit 1, gap 0.4); colons at cells 2 and 5.
    const int digits[8] = {state.hours / 10,   state.hours % 10,   -1,
                           state.minutes / 10, state.minutes % 10, -1,
                           state.seconds / 10, state.seconds % 10};
    const double cell = 1.4;
    const int index = static_cast<int>(x / cell);
    if (x < 0 || y < 0 || y >= 2 || index < 0 || index >= 8) {
        return false;
    }
    const double local = x - index * cell;
    if (digits[index] < 0) {
        const bool dotX = local >= 0.35 && local < 0.65;
        return dotX && ((y >= 0.45 && y < 0.75) || (y >= 1.25 && y < 1.55));
    }
    return local < 1.0 && OnDigit(digits[index], local, y);
}

unsigned Hash(unsigned v)
{
    v ^= v >> 16;
    v *= 0x7feb352dU;
    v ^= v >> 15;
    v *= 0x846ca68bU;
    v ^= v >> 16;
    return v;
}

Rgb SceneColour(const CSimScene::State &state, double x, double y)
{
    // Sticky note with the clock.
    if (Inside(x, y, 0.52, 0.53, 0.86, 0.67)) {
        const double cx = (x - 0.545) / 0.0265;
        const double cy = (y - 0.565) / 0.0265;
        return OnClock(state, cx, cy) ? Rgb{30, 30, 30} : Rgb{250, 228, 110};
    }
    // The page.
    if (Inside(x, y, 0.12, 0.04, 0.88, 0.71)) {
        // Heading.
        if (Inside(x, y, 0.18, 0.08, 0.58, 0.115)) {
            return {20, 40, 110};
        }
        // Figure: a red disc, a blue block and a green triangle.
        const double dx = x - 0.72;
        const double dy = y - 0.20;
        if (dx * dx + dy * dy < 0.065 * 0.065) {
            return {200, 40, 40};
        }
        if (Inside(x, y, 0.63, 0.31, 0.81, 0.40)) {
            return {40, 80, 200};
        }
        if (y >= 0.42 && y < 0.50 && std::fabs(x - 0.72) < (y - 0.42) * 1.0) {
            return {40, 150, 60};
        }
        // Lines of text made of words.
        if (x >= 0.18 && x < 0.58 && y >= 0.15 && y < 0.50) {
            const int line = static_cast<int>((y - 0.15) / 0.03);
            const double within = (y - 0.15) - line * 0.03;
            if (within < 0.014) {
                const int word = static_cast<int>((x - 0.18) / 0.05);
                const double inWord = (x - 0.18) - word * 0.05;
                const unsigned h = Hash(static_cast<unsigned>(line * 97 + word));
                const double length = 0.02 + (h % 25) * 0.001;
                const bool lineEnds = word > 4 + static_cast<int>(Hash(line) % 4);
                if (inWord < length && !lineEnds) {
                    return {50, 50, 55};
                }
            }
        }
        if (x >= 0.18 && x < 0.48 && y >= 0.53 && y < 0.66) {
            const int line = static_cast<int>((y - 0.53) / 0.03);
            if ((y - 0.53) - line * 0.03 < 0.012 && Hash(static_cast<unsigned>(line)) % 7 != 0) {
                return {70, 70, 75};
            }
        }
        return {246, 246, 240};
    }
    // Shadow of the page, then the desk with its grain.
    if (Inside(x, y, 0.13, 0.05, 0.89, 0.72)) {
        return {70, 50, 30};
    }
    const int grain = static_cast<int>(12 * std::sin(y * 180 + std::sin(x * 20) * 2));
    return {125 + grain, 88 + grain, 52 + grain / 2};
}

int Clamp(int v)
{
    return std::clamp(v, 0, 255);
}

Rgb ApplyEffect(const CSimScene::State &state, Rgb c)
{
    const int offset = (state.brightness - 7) * 10;
    c = {c.r + offset, c.g + offset, c.b + offset};
    const int gray = (c.r * 77 + c.g * 150 + c.b * 29) >> 8;
    switch (state.effect) {
    case 1: // Graphics 2: richer colour
        c = {gray + (c.r - gray) * 3 / 2, gray + (c.g - gray) * 3 / 2, gray + (c.b - gray) * 3 / 2};
        break;
    case 2: { // Text 1: high-contrast grey
        const int g = (gray - 128) * 2 + 128;
        c = {g, g, g};
        break;
    }
    case 3: // Text 2: high-contrast colour
        c = {(c.r - 128) * 8 / 5 + 128, (c.g - 128) * 8 / 5 + 128, (c.b - 128) * 8 / 5 + 128};
        break;
    case 4: // black and white
        c = {gray, gray, gray};
        break;
    case 5: // negative
        c = {255 - c.r, 255 - c.g, 255 - c.b};
        break;
    default:
        break;
    }
    return {Clamp(c.r), Clamp(c.g), Clamp(c.b)};
}

// Horizontal then vertical box blur of the RGB picture, in place: the look of a lens out of
// focus.
void Blur(std::vector<std::uint8_t> &rgb, std::vector<int> &sum, int width, int height)
{
    const int radius = std::max(2, width / 160);
    sum.resize(static_cast<std::size_t>(std::max(width, height) + 1) * 3);
    auto pass = [&](int count, int lines, std::size_t step, std::size_t lineStep) {
        for (int line = 0; line < lines; ++line) {
            std::uint8_t *base = rgb.data() + line * lineStep;
            for (int ch = 0; ch < 3; ++ch) {
                sum[0] = 0;
                for (int i = 0; i < count; ++i) {
                    sum[static_cast<std::size_t>(i) + 1] =
                        sum[static_cast<std::size_t>(i)] + base[i * step + ch];
                }
                for (int i = 0; i < count; ++i) {
                    const int a = std::max(0, i - radius);
                    const int b = std::min(count, i + radius + 1);
                    base[i * step + ch] = static_cast<std::uint8_t>(
                        (sum[static_cast<std::size_t>(b)] - sum[static_cast<std::size_t>(a)]) /
                        (b - a));
                }
            }
        }
    };
    pass(width, height, 3, static_cast<std::size_t>(width) * 3);
    pass(height, width, static_cast<std::size_t>(width) * 3, 3);
}

} // namespace

void CSimScene::Render(const State &state, std::vector<std::uint8_t> &y,
                       std::vector<std::uint8_t> &cb, std::vector<std::uint8_t> &cr)
{
    const int w = state.width;
    const int h = state.height;
    m_rgb.resize(static_cast<std::size_t>(w) * h * 3);
    const double zoom = std::max(1.0, state.zoom);
    const double scale = kWorldWidth / (w * zoom);
    for (int py = 0; py < h; ++py) {
        for (int px = 0; px < w; ++px) {
            const int sx = state.flip ? w - 1 - px : px;
            const int sy = state.flip ? h - 1 - py : py;
            const double wx = kWorldWidth / 2 + (sx + 0.5 - w / 2.0) * scale;
            const double wy = kWorldHeight / 2 + (sy + 0.5 - h / 2.0) * scale;
            const Rgb c = ApplyEffect(state, SceneColour(state, wx, wy));
            std::uint8_t *p = &m_rgb[(static_cast<std::size_t>(py) * w + px) * 3];
            p[0] = static_cast<std::uint8_t>(c.r);
            p[1] = static_cast<std::uint8_t>(c.g);
            p[2] = static_cast<std::uint8_t>(c.b);
        }
    }
    if (state.blurred) {
        Blur(m_rgb, m_sum, w, h);
    }
    y.resize(static_cast<std::size_t>(w) * h);
    cb.resize(static_cast<std::size_t>(w / 2) * h);
    cr.resize(static_cast<std::size_t>(w / 2) * h);
    for (int py = 0; py < h; ++py) {
        for (int px = 0; px < w; px += 2) {
            int cbSum = 0;
            int crSum = 0;
            for (int k = 0; k < 2; ++k) {
                const std::uint8_t *p = &m_rgb[(static_cast<std::size_t>(py) * w + px + k) * 3];
                const int r = p[0];
                const int g = p[1];
                const int b = p[2];
                y[static_cast<std::size_t>(py) * w + px + k] =
                    static_cast<std::uint8_t>(Clamp((77 * r + 150 * g + 29 * b + 128) >> 8));
                cbSum += (-43 * r - 85 * g + 128 * b) / 256 + 128;
                crSum += (128 * r - 107 * g - 21 * b) / 256 + 128;
            }
            const std::size_t c = static_cast<std::size_t>(py) * (w / 2) + px / 2;
            cb[c] = static_cast<std::uint8_t>(Clamp(cbSum / 2));
            cr[c] = static_cast<std::uint8_t>(Clamp(crSum / 2));
        }
    }
}
