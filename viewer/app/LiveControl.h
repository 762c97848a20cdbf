#pragma once

#include "ILiveControl.h"

// The program's live source: the camera behind the live canvas.
class LiveControl {
public:
    // The factory the program uses: the camera's live source on the given canvas, or null when
    // this build has no live source.
    static std::unique_ptr<ILiveControl> create(ICaptureCB *canvas, QObject *parent);
};
