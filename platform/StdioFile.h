#pragma once

#include <cstdint>
#include <cstdio>

class CFixedString;

constexpr int KStdioErrOpen = -1;
constexpr int KStdioErrWrite = -23;
constexpr int KStdioErrPosition = -9000;  // tell and size

// A thin wrapper over a stdio stream with fixed error codes. Paths are the device's: they are
// opened through DevicePath, so under FIXTRAIL_ROOT they live inside the simulated root.
// Closes itself when destroyed. Not copyable.
class CStdioFile {
  public:
    CStdioFile() = default;
    ~CStdioFile();
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;

    // "rb". 0, or KStdioErrOpen. The path string is terminated first (TerminatePath); one
    // with no room for its NUL is refused rather than opened cut short. A file still open is
    // closed first.
    int OpenRead(CFixedString& aPath);
    int OpenRead(const char* aPath);
    // "rb+" and a seek to the end when appending (the file must exist), else "wb".
    // 0, or KStdioErrOpen.
    int OpenWrite(CFixedString& aPath, bool aAppend);
    int OpenWrite(const char* aPath, bool aAppend);
    // Only if open: a written file is flushed and synced to the medium first. 0, or
    // KStdioErrWrite when a written file lost bytes: an earlier write failed, or the flush, the
    // sync or the close did. The file is closed either way; callers that only read may ignore
    // the result.
    int Close();
    bool IsOpen() const { return iOpen; }

    // Bytes read (0 when closed).
    int Read(void* aBuffer, int aCount);
    // fgets: the length of the line read (with its line feed, if any), or -1 at the end, on
    // error or when closed.
    int ReadLine(char* aBuffer, int aSize);
    // 0 when all aCount bytes reached the file, else KStdioErrWrite (also when closed). The
    // stream is flushed, so a full or limited medium shows here and not at some later write.
    int Write(const void* aData, int aCount);
    // The text, then one line feed: the first non-zero write result, else 0.
    int WriteLine(const char* aText);
    bool Flush();
    // The position, or KStdioErrPosition on error, when closed or beyond 32 bits.
    std::int32_t Tell();
    // From the start: fseek's result (-1 when closed).
    int Seek(std::int32_t aOffset);
    // The size in bytes, or KStdioErrPosition on any error; cached for a file opened for
    // reading.
    std::int32_t Size();

  private:
    int Open(const char* aPath, bool aWrite, bool aAppend);

    static constexpr std::int32_t KSizeUnknown = -1;
    static constexpr std::int32_t KSizeNeverCached = -2;

    bool iOpen = false;
    std::int32_t iSize = KSizeUnknown;
    bool iWrite = false;
    std::FILE* iStream = nullptr;
};
