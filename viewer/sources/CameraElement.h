#pragma once

#include <gst/gst.h>

#include <QString>
#include <QtGlobal>

// The camera's source element ("tevalcapsrc", made by the camera library's plug-in) with its
// camera controls. The controls are the element's action signals get-control and set-control,
// which take the camera's own parameter identifiers and answer like IAMCameraControl's
// Get and Set (0 for success, an error code otherwise).
//
// Made from a device of the device monitor instead, it is another camera's source element
// (V4L2, PipeWire, ...): it has none of those controls (see DeviceControls for its own).
class CameraElement {
public:
    static constexpr const char *FactoryName = "tevalcapsrc";

    // Creates a new element; isValid() is false when the plug-in is not installed.
    CameraElement();
    // Another camera's element, made by the device (a reference is kept while this lives).
    explicit CameraElement(GstDevice *device);
    ~CameraElement();
    CameraElement(const CameraElement &) = delete;
    CameraElement &operator=(const CameraElement &) = delete;

    bool isValid() const { return m_element != nullptr; }
    // Made by a device of the device monitor, not the Document Camera's element.
    bool isDevice() const { return m_device != nullptr; }
    GstDevice *device() const { return m_device; }
    // The device's display name; empty for the Document Camera's element.
    QString displayName() const { return m_displayName; }
    // The formats the device says it offers (new reference); nullptr for the Document Camera.
    GstCaps *deviceCaps() const;
    // The element (this object keeps a reference; graphs take their own).
    GstElement *element() const { return m_element; }
    // Whether the element offers the camera controls.
    bool hasControls() const;

    // Reads a parameter; false (value untouched) when the camera does not answer.
    bool get(int property, qint32 *value) const;
    // Writes a parameter; the camera's answer is returned, not examined here.
    bool set(int property, qint32 value) const;

private:
    GstElement *m_element = nullptr;
    GstDevice *m_device = nullptr;
    QString m_displayName;
};
