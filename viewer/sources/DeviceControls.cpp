#include "DeviceControls.h"

#include "GstHandle.h"
#include "SourcesLog.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char *ExtraControls = "extra-controls";

bool holdsExtraControls(GstElement *element)
{
    GParamSpec *spec = g_object_class_find_property(G_OBJECT_GET_CLASS(element), ExtraControls);
    return spec != nullptr && spec->value_type == GST_TYPE_STRUCTURE &&
           (spec->flags & G_PARAM_WRITABLE) != 0;
}

// The element itself or the first element inside it (depth first) that satisfies test.
template <class Test> GstElement *findElement(GstElement *element, Test test)
{
    if (test(element) || !GST_IS_BIN(element)) {
        return test(element) ? element : nullptr;
    }
    GstElement *found = nullptr;
    const IteratorHandle children(gst_bin_iterate_recurse(GST_BIN(element)));
    GValue item = G_VALUE_INIT;
    while (!found && gst_iterator_next(children.get(), &item) == GST_ITERATOR_OK) {
        auto *child = GST_ELEMENT(g_value_get_object(&item));
        if (test(child)) {
            found = child; // the bin keeps it
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    return found;
}

} // namespace

DeviceControls::DeviceControls(GstElement *element)
{
    if (!element) {
        return;
    }
    if (GstElement *balance =
            findElement(element, [](GstElement *e) { return GST_IS_COLOR_BALANCE(e); })) {
        m_balance = GST_COLOR_BALANCE(balance);
        for (const GList *item = gst_color_balance_list_channels(m_balance); item;
             item = item->next) {
            auto *channel = GST_COLOR_BALANCE_CHANNEL(item->data);
            if (QString::fromUtf8(channel->label)
                    .contains(QLatin1String("BRIGHTNESS"), Qt::CaseInsensitive)) {
                m_channel = channel;
                break;
            }
        }
    }
    m_focusHolder = findElement(element, holdsExtraControls);
    if (!hasBrightness()) {
        qCDebug(lcSources) << "camera" << GST_OBJECT_NAME(element) << "has no brightness channel";
    }
    if (!hasFocus()) {
        qCDebug(lcSources) << "camera" << GST_OBJECT_NAME(element)
                           << "has no extra controls for its focus";
    }
}

int DeviceControls::brightnessStep(int steps) const
{
    if (!hasBrightness() || steps <= 0) {
        return -1;
    }
    const int range = m_channel->max_value - m_channel->min_value;
    if (range <= 0) {
        return 0;
    }
    const int value = gst_color_balance_get_value(m_balance, m_channel);
    const double position = double(value - m_channel->min_value) * steps / range;
    return std::clamp(int(std::lround(position)), 0, steps);
}

bool DeviceControls::setBrightnessStep(int step, int steps) const
{
    if (!hasBrightness() || steps <= 0) {
        return false;
    }
    const int range = m_channel->max_value - m_channel->min_value;
    const double fraction = double(std::clamp(step, 0, steps)) / steps;
    const int value = m_channel->min_value + int(std::lround(fraction * range));
    gst_color_balance_set_value(m_balance, m_channel, value);
    return true;
}

bool DeviceControls::setAutoFocus(bool on) const
{
    if (!hasFocus()) {
        return false;
    }
    GstStructure *controls = nullptr;
    g_object_get(m_focusHolder, ExtraControls, &controls, nullptr);
    if (!controls) {
        controls = gst_structure_new_empty("c");
    }
    for (const char *name : FocusControls) {
        gst_structure_set(controls, name, G_TYPE_INT, on ? 1 : 0, nullptr);
    }
    g_object_set(m_focusHolder, ExtraControls, controls, nullptr);
    gst_structure_free(controls);
    return true;
}
