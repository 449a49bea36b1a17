#pragma once

#include "platform/DevicePath.h"

// The display-owner word: one 32-bit process id in /var/run/uipidshm, mapped shared by every
// toolkit process, naming the one process that may draw to the display and read input (0:
// none). The first process to create the file is the MASTER, later ones are SLAVES. Plain
// loads and stores, no locks: the last writer wins, and every process looks again at its next
// event-loop pass.

// The pid in the owner word; opens the shared file on first use (0 without a mapping). A file
// that can neither be created nor opened ends the process with status 1.
int GetActivePid();
// Stores aPid in the owner word, if it is mapped.
void SetActivePid(int aPid);
// True when aCheck is false; otherwise true exactly when the owner word holds this process.
bool IsDisplayOwner(bool aCheck);
// True when this process created the owner file.
bool IsMasterProcess();
// Takes the display for this process when no process owns it (the word is 0, or names a
// process that has ended), as a program that runs alone must. True when this process owns the
// display afterwards.
bool TakeDisplayIfFree();
