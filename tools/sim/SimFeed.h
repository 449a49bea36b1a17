#pragma once

#include <string>

// The GPS daemon of the simulated device: the feed subcommand.

// Replays the bytes of aFile into the FIFO aFifo at the byte rate of aBaud baud, 8N1 (aBaud / 10
// bytes a second), in small chunks on a steady clock, as the GPS daemon does. Waits up to
// aWaitMs for a reader; starts over at the end of the file when aLoop. A reader that goes away
// ends the replay without an error. False with a one-line reason.
bool FeedRecording(const std::string& aFifo, const std::string& aFile, int aBaud, bool aLoop,
                   int aWaitMs, std::string* aError);
