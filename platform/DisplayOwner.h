#pragma once

#include "platform/DevicePath.h"

// The display-owner word: one 32-bit process id at the start of /var/run/uipidshm, shared by
// every toolkit process, naming the one process that may draw to the display and read input
// (0: none). The first process to create the file is the MASTER, later ones are SLAVES. Plain
// reads and writes, no locks: the last writer wins, and every process looks again at its next
// event-loop pass. A file cut short or removed reads as no owner; one replaced by a new file is
// followed within a few reads.

// The pid in the owner word; opens the shared file on first use (0 when the file is missing or
// short). A file that can neither be created nor opened at first use ends the process with
// status 1.
int GetActivePid();
// Stores aPid in the owner word (in a new file if the old one was removed).
void SetActivePid(int aPid);
// True when aCheck is false; otherwise true exactly when the owner word holds this process.
bool IsDisplayOwner(bool aCheck);
// True when this process created the owner file.
bool IsMasterProcess();
// Takes the display for this process when no process owns it (the word is 0 or negative, or
// names a process that has ended, a zombie included), as a program that runs alone must. True when
// this process owns the display afterwards.
bool TakeDisplayIfFree();
