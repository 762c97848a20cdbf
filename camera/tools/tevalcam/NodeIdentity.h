#pragma once

#include <string>

// How a published camera node presents itself to PipeWire: browsers' WebRTC capture and the
// camera portal keep only nodes of class Video/Source with the role Camera and a description,
// and a viewer never takes a node marked with doccam.origin as its camera.
struct NodeIdentity {
    std::string name = "doccam";
    std::string description = "Document Camera";
    std::string origin = "tevalcam";
};
