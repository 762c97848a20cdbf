#pragma once

#include <string>

// Device node of the first present device whose udev property TEVALCAP_INTERFACE equals guid
// (case-insensitive), in udev's enumeration order; empty when there is none. A property set on
// a USB interface is followed to its USB device's node. Nodes longer than 255 characters count
// as no device.
std::string FindInterfaceNode(const char *guid);
