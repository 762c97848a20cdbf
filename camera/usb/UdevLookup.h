#pragma once

#include "OpenFailure.h"

#include <string>

// Device node of the first present device whose udev property TEVALCAP_INTERFACE equals guid
// (case-insensitive), in udev's enumeration order; empty when there is none. A property set on
// a USB interface is followed to its USB device's node. Nodes longer than 255 characters count
// as no device.
std::string FindInterfaceNode(const char *guid);

// The sentence kept when FindInterfaceNode finds nothing.
inline constexpr const char *kNoInterfaceText =
    "no camera with the TEVALCAP_INTERFACE property (is the udev rule installed and its ids set?)";

// The failure to keep when open(2) of a transport's node failed with the given errno.
OpenResult NodeOpenFailure(const std::string &node, int error);

// FindInterfaceNode, then open(2) of that node read-write and close-on-exec: the descriptor, or
// -1 with the reason kept in failure. node gets the path found (empty when there is none).
int OpenInterfaceNode(const char *guid, std::string &node, OpenResult &failure);
