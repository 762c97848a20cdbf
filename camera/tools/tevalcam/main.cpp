#include "TevalCam.h"

#include <gst/gst.h>

#include <cstdlib>
#include <iostream>
#include <string>

namespace {

void usage(std::ostream &out)
{
    out << "Usage: tevalcam [--simulate] [--size WIDTHxHEIGHT]\n"
           "Publishes the document camera as the PipeWire camera \"Document Camera\".\n"
           "  --simulate   use the simulated camera (SIGUSR1 unplugs it, SIGUSR2 plugs it in)\n"
           "  --size       320x240, 640x480, 960x720, 1024x576, 1024x768, 1280x720 (default)\n"
           "               or 1280x960\n";
}

} // namespace

int main(int argc, char **argv)
{
    TevalCam::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg == "--size" && i + 1 < argc) {
            const auto format = PublishFormat::fromText(argv[++i]);
            if (!format) {
                std::cerr << "tevalcam: " << argv[i] << " is not one of the camera's sizes\n";
                usage(std::cerr);
                return 2;
            }
            options.format = *format;
        } else if (arg == "--help" || arg == "-h") {
            usage(std::cout);
            return 0;
        } else {
            usage(std::cerr);
            return 2;
        }
    }
    // Before GStreamer loads the plug-in, which reads it once.
    if (options.simulate) {
        ::setenv("TEVALCAP_SIMULATE", "1", 1);
    }
    gst_init(nullptr, nullptr);
    int status = 0;
    {
        TevalCam publisher(options);
        status = publisher.run();
    }
    gst_deinit();
    return status;
}
