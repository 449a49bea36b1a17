#pragma once

#include <string>

// The live window: shows the device root's frame buffer as it changes and turns mouse and
// keyboard into the touch and remote drivers' records. Runs until the window is closed, or for
// aFrames frames when aFrames > 0. Returns the exit status; a window that cannot be opened
// prints one line and gives 1.
int RunWindow(const std::string& aRoot, int aScale, int aFrames);
