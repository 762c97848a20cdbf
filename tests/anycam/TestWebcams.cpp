#include "TestWebcams.h"

#include <gst/video/colorbalance.h>

#include <QRgb>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace {

std::mutex lock; // guards everything below
std::vector<GstDevice *> plugged;
GstDeviceProvider *startedProvider = nullptr;
QList<int> focusValues;
std::atomic<int> newestBrightness{0};
const GQuark colourQuark = g_quark_from_static_string("doccam-test-colour");
const GQuark toneQuark = g_quark_from_static_string("doccam-test-tone");

// The source bin.
struct TestWebcamSrc {
    GstBin parent;
    GstColorBalanceChannel *channel;
    GList *channels;
    int brightness;
    GstStructure *extraControls;
};
struct TestWebcamSrcClass {
    GstBinClass parent;
};

enum { PropExtraControls = 1 };

GType webcamSrcType();

TestWebcamSrc *asSrc(gpointer object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, webcamSrcType(), TestWebcamSrc);
}

void balanceInit(gpointer interface, gpointer)
{
    auto *iface = static_cast<GstColorBalanceInterface *>(interface);
    iface->list_channels = [](GstColorBalance *balance) -> const GList * {
        return asSrc(balance)->channels;
    };
    iface->set_value = [](GstColorBalance *balance, GstColorBalanceChannel *, gint value) {
        asSrc(balance)->brightness = value;
        newestBrightness.store(value);
    };
    iface->get_value = [](GstColorBalance *balance, GstColorBalanceChannel *) {
        return asSrc(balance)->brightness;
    };
    iface->get_balance_type = [](GstColorBalance *) { return GST_COLOR_BALANCE_HARDWARE; };
}

void srcClassInit(gpointer klass, gpointer)
{
    auto *objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = [](GObject *object, guint id, const GValue *value, GParamSpec *) {
        if (id != PropExtraControls) {
            return;
        }
        TestWebcamSrc *self = asSrc(object);
        if (self->extraControls) {
            gst_structure_free(self->extraControls);
        }
        const GstStructure *given = gst_value_get_structure(value);
        self->extraControls = given ? gst_structure_copy(given) : nullptr;
        int focus = 0;
        if (given && gst_structure_get_int(given, "focus_automatic_continuous", &focus)) {
            const std::lock_guard<std::mutex> guard(lock);
            focusValues.append(focus);
        }
    };
    objectClass->get_property = [](GObject *object, guint id, GValue *value, GParamSpec *) {
        if (id == PropExtraControls) {
            gst_value_set_structure(value, asSrc(object)->extraControls);
        }
    };
    objectClass->finalize = [](GObject *object) {
        TestWebcamSrc *self = asSrc(object);
        if (self->extraControls) {
            gst_structure_free(self->extraControls);
        }
        g_list_free(self->channels);
        g_object_unref(self->channel);
        G_OBJECT_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(object)))->finalize(object);
    };
    g_object_class_install_property(
        objectClass, PropExtraControls,
        g_param_spec_boxed("extra-controls", "Extra controls", "Camera controls by name",
                           GST_TYPE_STRUCTURE, GParamFlags(G_PARAM_READWRITE)));
    gst_element_class_set_static_metadata(GST_ELEMENT_CLASS(klass), "Test webcam", "Source/Video",
                                          "A webcam of the tests", "doccam tests");
}

void srcInit(GTypeInstance *instance, gpointer)
{
    TestWebcamSrc *self = asSrc(instance);
    self->channel =
        GST_COLOR_BALANCE_CHANNEL(g_object_new(GST_TYPE_COLOR_BALANCE_CHANNEL, nullptr));
    self->channel->label = g_strdup("BRIGHTNESS");
    self->channel->min_value = TestWebcams::BrightnessMin;
    self->channel->max_value = TestWebcams::BrightnessMax;
    self->channels = g_list_append(nullptr, self->channel);
    self->brightness = 0;
    self->extraControls = nullptr;
    newestBrightness.store(0);
}

GType webcamSrcType()
{
    static const GType type = [] {
        GTypeInfo info{};
        info.class_size = sizeof(TestWebcamSrcClass);
        info.class_init = srcClassInit;
        info.instance_size = sizeof(TestWebcamSrc);
        info.instance_init = srcInit;
        const GType registered =
            g_type_register_static(GST_TYPE_BIN, "DocCamTestWebcamSrc", &info, GTypeFlags(0));
        const GInterfaceInfo balance{balanceInit, nullptr, nullptr};
        g_type_add_interface_static(registered, GST_TYPE_COLOR_BALANCE, &balance);
        return registered;
    }();
    return type;
}

GstElement *makeSource(QRgb colour, const gchar *name)
{
    auto *bin = GST_ELEMENT(g_object_new(webcamSrcType(), "name", name, nullptr));
    GstElement *pattern = gst_element_factory_make("videotestsrc", nullptr);
    gst_util_set_object_arg(G_OBJECT(pattern), "pattern", "solid-color");
    g_object_set(pattern, "is-live", TRUE, "foreground-color", guint(0xff000000u | colour),
                 nullptr);
    gst_bin_add(GST_BIN(bin), pattern);
    GstPad *inner = gst_element_get_static_pad(pattern, "src");
    gst_element_add_pad(bin, gst_ghost_pad_new("src", inner));
    gst_object_unref(inner);
    return bin;
}

GstElement *makeMicrophone(bool tone, const gchar *name)
{
    GstElement *source = gst_element_factory_make("audiotestsrc", name);
    gst_util_set_object_arg(G_OBJECT(source), "wave", tone ? "sine" : "silence");
    g_object_set(source, "is-live", TRUE, "volume", 0.3, nullptr);
    return source;
}

// The device.
struct TestWebcamDevice {
    GstDevice parent;
};
struct TestWebcamDeviceClass {
    GstDeviceClass parent;
};

GType webcamDeviceType()
{
    static const GType type = [] {
        GTypeInfo info{};
        info.class_size = sizeof(TestWebcamDeviceClass);
        info.instance_size = sizeof(TestWebcamDevice);
        info.class_init = [](gpointer klass, gpointer) {
            GST_DEVICE_CLASS(klass)->create_element = [](GstDevice *device, const gchar *name) {
                if (g_object_get_qdata(G_OBJECT(device), toneQuark)) {
                    return makeMicrophone(
                        GPOINTER_TO_INT(g_object_get_qdata(G_OBJECT(device), toneQuark)) == 2,
                        name);
                }
                const auto colour =
                    QRgb(GPOINTER_TO_UINT(g_object_get_qdata(G_OBJECT(device), colourQuark)));
                return makeSource(colour, name);
            };
        };
        return g_type_register_static(GST_TYPE_DEVICE, "DocCamTestWebcam", &info, GTypeFlags(0));
    }();
    return type;
}

// The provider.
struct TestWebcamProvider {
    GstDeviceProvider parent;
};
struct TestWebcamProviderClass {
    GstDeviceProviderClass parent;
};

GList *probeDevices(GstDeviceProvider *)
{
    const std::lock_guard<std::mutex> guard(lock);
    GList *devices = nullptr;
    for (GstDevice *device : plugged) {
        devices = g_list_append(devices, gst_object_ref(device));
    }
    return devices;
}

GType webcamProviderType()
{
    static const GType type = [] {
        GTypeInfo info{};
        info.class_size = sizeof(TestWebcamProviderClass);
        info.instance_size = sizeof(TestWebcamProvider);
        info.class_init = [](gpointer klass, gpointer) {
            auto *providerClass = GST_DEVICE_PROVIDER_CLASS(klass);
            gst_device_provider_class_set_static_metadata(providerClass, "Test webcams",
                                                          "Source/Video/Audio",
                                                          "Cameras of the tests", "doccam tests");
            providerClass->probe = probeDevices;
            providerClass->start = [](GstDeviceProvider *provider) {
                GList *devices = probeDevices(provider);
                for (GList *item = devices; item; item = item->next) {
                    gst_device_provider_device_add(provider, GST_DEVICE(item->data));
                    gst_object_unref(item->data);
                }
                g_list_free(devices);
                const std::lock_guard<std::mutex> guard(lock);
                startedProvider = provider;
                return gboolean(TRUE);
            };
            providerClass->stop = [](GstDeviceProvider *) {
                const std::lock_guard<std::mutex> guard(lock);
                startedProvider = nullptr;
            };
        };
        return g_type_register_static(GST_TYPE_DEVICE_PROVIDER, "DocCamTestWebcamProvider", &info,
                                      GTypeFlags(0));
    }();
    return type;
}

GstDevice *newDevice(const QString &name, const char *deviceClass, const char *caps,
                     GstStructure *properties)
{
    GstCaps *formats = gst_caps_from_string(caps);
    auto *device = GST_DEVICE(g_object_new(webcamDeviceType(), "display-name",
                                           name.toUtf8().constData(), "device-class", deviceClass,
                                           "caps", formats, "properties", properties, nullptr));
    gst_caps_unref(formats);
    if (properties) {
        gst_structure_free(properties);
    }
    gst_object_ref_sink(device);
    return device;
}

// Lists the device (and announces it when the provider runs); takes over the reference.
void add(GstDevice *device)
{
    GstDeviceProvider *provider = nullptr;
    {
        const std::lock_guard<std::mutex> guard(lock);
        plugged.push_back(GST_DEVICE(gst_object_ref(device)));
        provider = startedProvider ? GST_DEVICE_PROVIDER(gst_object_ref(startedProvider)) : nullptr;
    }
    if (provider) {
        gst_device_provider_device_add(provider, device);
        gst_object_unref(provider);
    }
    gst_object_unref(device);
}

} // namespace

bool TestWebcams::registerProvider()
{
    static const bool registered = gst_device_provider_register(
        nullptr, "doccamtestwebcams", GST_RANK_PRIMARY, webcamProviderType());
    return registered;
}

void TestWebcams::plug(const QString &name, QRgb colour, GstStructure *properties)
{
    GstDevice *device = newDevice(name, "Video/Source", Formats, properties);
    g_object_set_qdata(G_OBJECT(device), colourQuark, GUINT_TO_POINTER(guint(colour)));
    add(device);
}

void TestWebcams::plugMicrophone(const QString &name, bool tone)
{
    GstDevice *device = newDevice(name, "Audio/Source", "audio/x-raw", nullptr);
    g_object_set_qdata(G_OBJECT(device), toneQuark, GINT_TO_POINTER(tone ? 2 : 1));
    add(device);
}

void TestWebcams::unplug(const QString &name)
{
    GstDevice *gone = nullptr;
    GstDeviceProvider *provider = nullptr;
    {
        const std::lock_guard<std::mutex> guard(lock);
        const auto found = std::find_if(plugged.begin(), plugged.end(), [&](GstDevice *device) {
            gchar *text = gst_device_get_display_name(device);
            const bool same = name == QString::fromUtf8(text);
            g_free(text);
            return same;
        });
        if (found == plugged.end()) {
            return;
        }
        gone = *found;
        plugged.erase(found);
        provider = startedProvider ? GST_DEVICE_PROVIDER(gst_object_ref(startedProvider)) : nullptr;
    }
    if (provider) {
        gst_device_provider_device_remove(provider, gone);
        gst_object_unref(provider);
    }
    gst_object_unref(gone);
}

void TestWebcams::unplugAll()
{
    std::vector<QString> names;
    {
        const std::lock_guard<std::mutex> guard(lock);
        for (GstDevice *device : plugged) {
            gchar *text = gst_device_get_display_name(device);
            names.push_back(QString::fromUtf8(text));
            g_free(text);
        }
    }
    for (const QString &name : names) {
        unplug(name);
    }
}

int TestWebcams::brightness()
{
    return newestBrightness.load();
}

QList<int> TestWebcams::focusLog()
{
    const std::lock_guard<std::mutex> guard(lock);
    return focusValues;
}

void TestWebcams::clearFocusLog()
{
    const std::lock_guard<std::mutex> guard(lock);
    focusValues.clear();
}
