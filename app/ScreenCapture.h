#pragma once

// When the marker file /mnt/sdcard/<name>/capture exists, copies the display memory (/dev/fb)
// to /mnt/sdcard/<name>/imgYYYYMMDDhhmmss.raw, stamped with local time. Failures are silent.
void CaptureScreen(const char* aApplicationName);
