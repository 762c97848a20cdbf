#include "CameraFormat.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

struct Candidate {
    const char *media;
    int width;
    int height;
    int rateNumerator;
    int rateDenominator;
    bool mjpeg;

    double rate() const
    {
        return rateDenominator > 0 ? double(rateNumerator) / rateDenominator : 0;
    }
    qint64 area() const { return qint64(width) * height; }
};

bool isVideoFormat(const GstStructure *structure)
{
    return gst_structure_has_name(structure, "image/jpeg") ||
           gst_structure_has_name(structure, "video/x-raw");
}

// The sizes a field offers: its value, the values of a list, or the wanted size clamped into
// a range.
std::vector<int> sizesOf(const GValue *value, int wanted)
{
    std::vector<int> sizes;
    if (!value) {
        return sizes;
    }
    if (G_VALUE_HOLDS_INT(value)) {
        sizes.push_back(g_value_get_int(value));
    } else if (GST_VALUE_HOLDS_INT_RANGE(value)) {
        sizes.push_back(std::clamp(wanted, gst_value_get_int_range_min(value),
                                   gst_value_get_int_range_max(value)));
    } else if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i) {
            const std::vector<int> inner = sizesOf(gst_value_list_get_value(value, i), wanted);
            sizes.insert(sizes.end(), inner.begin(), inner.end());
        }
    }
    return sizes;
}

// The rate to ask for: the wanted rate where the field allows it, otherwise the fastest it
// offers; nullopt when it offers none.
std::optional<std::pair<int, int>> rateOf(const GValue *value, int wanted)
{
    if (!value) { // no rate given: the camera decides, the wanted rate is a fair guess
        return std::make_pair(wanted, 1);
    }
    GValue wantedValue = G_VALUE_INIT;
    g_value_init(&wantedValue, GST_TYPE_FRACTION);
    gst_value_set_fraction(&wantedValue, wanted, 1);
    const bool allows = gst_value_intersect(nullptr, value, &wantedValue);
    g_value_unset(&wantedValue);
    if (allows) {
        return std::make_pair(wanted, 1);
    }
    if (GST_VALUE_HOLDS_FRACTION(value)) {
        return std::make_pair(gst_value_get_fraction_numerator(value),
                              gst_value_get_fraction_denominator(value));
    }
    if (GST_VALUE_HOLDS_FRACTION_RANGE(value)) {
        return rateOf(gst_value_get_fraction_range_max(value), wanted);
    }
    std::optional<std::pair<int, int>> best;
    if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i) {
            const auto rate = rateOf(gst_value_list_get_value(value, i), wanted);
            if (rate && (!best ||
                         qint64(rate->first) * best->second > qint64(best->first) * rate->second)) {
                best = rate;
            }
        }
    }
    return best;
}

std::vector<Candidate> candidatesOf(const GstCaps *offered, const QSize &wanted, int rate)
{
    std::vector<Candidate> found;
    for (guint i = 0; i < gst_caps_get_size(offered); ++i) {
        const GstStructure *structure = gst_caps_get_structure(offered, i);
        if (!isVideoFormat(structure)) {
            continue;
        }
        const auto framerate = rateOf(gst_structure_get_value(structure, "framerate"), rate);
        if (!framerate) {
            continue;
        }
        const bool mjpeg = gst_structure_has_name(structure, "image/jpeg");
        const char *media = mjpeg ? "image/jpeg" : "video/x-raw";
        for (int width : sizesOf(gst_structure_get_value(structure, "width"), wanted.width())) {
            for (int height :
                 sizesOf(gst_structure_get_value(structure, "height"), wanted.height())) {
                found.push_back({media, width, height, framerate->first, framerate->second, mjpeg});
            }
        }
    }
    return found;
}

// Orders candidates from best to worst under the rules of the class comment.
bool better(const Candidate &a, const Candidate &b, const QSize &wanted, int rate)
{
    const auto exact = [&](const Candidate &c) {
        return c.width == wanted.width() && c.height == wanted.height() &&
               c.rateNumerator == rate * c.rateDenominator;
    };
    const auto fits = [](const Candidate &c) {
        return c.width <= CameraFormat::Limit.width() && c.height <= CameraFormat::Limit.height();
    };
    const auto fast = [](const Candidate &c) { return c.rate() >= CameraFormat::MinimumRate; };
    if (exact(a) != exact(b)) {
        return exact(a);
    }
    if (fits(a) != fits(b)) {
        return fits(a);
    }
    if (fits(a) && fast(a) != fast(b)) {
        return fast(a);
    }
    if (a.area() != b.area()) {
        return fits(a) ? a.area() > b.area() : a.area() < b.area();
    }
    if (a.mjpeg != b.mjpeg) {
        return a.mjpeg;
    }
    return a.rate() > b.rate();
}

} // namespace

GstCaps *CameraFormat::choose(const GstCaps *offered, const QSize &wanted, int framesPerSecond)
{
    if (!offered || gst_caps_is_any(offered)) {
        return gst_caps_new_any();
    }
    const std::vector<Candidate> candidates = candidatesOf(offered, wanted, framesPerSecond);
    if (candidates.empty()) {
        return gst_caps_new_any();
    }
    const Candidate best = *std::min_element(candidates.begin(), candidates.end(),
                                             [&](const Candidate &a, const Candidate &b) {
                                                 return better(a, b, wanted, framesPerSecond);
                                             });
    return gst_caps_new_simple(best.media, "width", G_TYPE_INT, best.width, "height", G_TYPE_INT,
                               best.height, "framerate", GST_TYPE_FRACTION, best.rateNumerator,
                               best.rateDenominator, nullptr);
}
