#pragma once

class MainWindow;

// Start-up adjustments that come from the environment, never from a command line.
class StartupHooks {
public:
    // When the program is installed with its camera plug-in under a prefix GStreamer does not
    // search (such as /usr/local), adds that plug-in folder to GST_PLUGIN_PATH.
    static void addOwnPluginFolder();

    // Unattended runs (the run script, tests), all off unless their variable is set:
    //   DOCCAM_MODE=1|2             switch to Film or Photograph mode after start
    //   DOCCAM_PANEL=collapsed      close the tool panel after start
    //   DOCCAM_SNAPSHOT_AFTER_MS=n  take a snapshot n ms after start
    //   DOCCAM_EXIT_AFTER_MS=n      quit n ms after start, first writing
    //     DOCCAM_SCREENSHOT=<png>   a picture of the window and
    //     DOCCAM_DUMP_TEXTS=<file>  the captions and tool tips of its buttons, one a line
    //   DOCCAM_RECORD_AFTER_MS=n    start a recording n ms after start
    static void install(MainWindow *window);

    // Qt's image allocation limit for the process, at the largest picture the viewer decodes.
    static void boundImageDecoding();
    // A running recording is ended with end-of-stream when SIGTERM, SIGINT or SIGHUP arrives
    // (then the program quits) and when the desktop session ends; recordings of the recording
    // folder cut off before (power gone, the program killed) are repaired in the background.
    static void protectRecordings(MainWindow *window);
};
