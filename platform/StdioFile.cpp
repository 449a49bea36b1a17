#include "platform/StdioFile.h"

#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/DevicePath.h"
#include "platform/FixedString.h"

CStdioFile::~CStdioFile() {
    Close();
}

int CStdioFile::OpenRead(CFixedString& aPath) {
    if (!aPath.TerminatePath()) {
        Close();
        return KStdioErrOpen;
    }
    return OpenRead(aPath.Data());
}

int CStdioFile::OpenRead(const char* aPath) {
    return Open(aPath, false, false);
}

int CStdioFile::OpenWrite(CFixedString& aPath, bool aAppend) {
    if (!aPath.TerminatePath()) {
        Close();
        return KStdioErrOpen;
    }
    return OpenWrite(aPath.Data(), aAppend);
}

int CStdioFile::OpenWrite(const char* aPath, bool aAppend) {
    return Open(aPath, true, aAppend);
}

int CStdioFile::Open(const char* aPath, bool aWrite, bool aAppend) {
    Close();
    // An empty path names no file on the device (under a device root it would name the root).
    if (aPath == nullptr || aPath[0] == '\0') {
        return KStdioErrOpen;
    }
    const TDevicePath path = DevicePath(aPath);
    if (!path.IsValid()) {
        return KStdioErrOpen;
    }
    // Appending keeps what is there: "rb+" needs the file to exist, and a stream opened "ab"
    // could not seek back for Size.
    const char* mode = !aWrite ? "rb" : (aAppend ? "rb+" : "wb");
    std::FILE* stream = std::fopen(path.c_str(), mode);
    if (stream == nullptr) {
        return KStdioErrOpen;
    }
    if (aAppend && std::fseek(stream, 0, SEEK_END) != 0) {
        (void)std::fclose(stream);
        return KStdioErrOpen;
    }
    iStream = stream;
    iOpen = true;
    iWrite = aWrite;
    iSize = aWrite ? KSizeNeverCached : KSizeUnknown;
    return 0;
}

int CStdioFile::Close() {
    if (!iOpen) {
        return 0;
    }
    bool lost = false;
    if (iWrite) {
        // On the device the SD card may be pulled at any time: what was written must be on it.
        // A write that failed before leaves the error indicator set, even if the caller did not
        // look at its result.
        const bool flushed = std::fflush(iStream) == 0;
        lost = !flushed || std::ferror(iStream) != 0;
        // Special files (a FIFO, a character device) have nothing to sync: not a loss.
        if (::fsync(::fileno(iStream)) != 0 && errno != EINVAL) {
            lost = true;
        }
    }
    if (std::fclose(iStream) != 0 && iWrite) {
        lost = true;
    }
    iStream = nullptr;
    iOpen = false;
    iWrite = false;
    iSize = KSizeUnknown;
    return lost ? KStdioErrWrite : 0;
}

int CStdioFile::Read(void* aBuffer, int aCount) {
    if (!iOpen || aBuffer == nullptr || aCount <= 0) {
        return 0;
    }
    return static_cast<int>(std::fread(aBuffer, 1, static_cast<std::size_t>(aCount), iStream));
}

int CStdioFile::ReadLine(char* aBuffer, int aSize) {
    if (!iOpen || aBuffer == nullptr || aSize < 1) {
        return -1;
    }
    if (std::fgets(aBuffer, aSize, iStream) == nullptr) {
        return -1;
    }
    int length = 0;
    while (aBuffer[length] != '\0') {
        ++length;
    }
    return length;
}

int CStdioFile::Write(const void* aData, int aCount) {
    if (!iOpen || aCount < 0 || (aData == nullptr && aCount > 0)) {
        return KStdioErrWrite;
    }
    if (aCount == 0) {
        return 0;
    }
    const std::size_t written = std::fwrite(aData, 1, static_cast<std::size_t>(aCount), iStream);
    // fwrite only fills the stream's buffer: the bytes have reached the file once it is flushed.
    if (written != static_cast<std::size_t>(aCount) || std::fflush(iStream) != 0) {
        return KStdioErrWrite;
    }
    return 0;
}

int CStdioFile::WriteLine(const char* aText) {
    if (aText != nullptr) {
        std::size_t length = 0;
        while (aText[length] != '\0') {
            ++length;
        }
        const int result = Write(aText, length > INT_MAX ? INT_MAX : static_cast<int>(length));
        if (result != 0) {
            return result;
        }
    }
    const char lineFeed = 10;
    return Write(&lineFeed, 1);
}

bool CStdioFile::Flush() {
    return iOpen && std::fflush(iStream) == 0;
}

std::int32_t CStdioFile::Tell() {
    if (!iOpen) {
        return KStdioErrPosition;
    }
    const off_t position = ::ftello(iStream);
    if (position < 0 || position > INT32_MAX) {
        return KStdioErrPosition;
    }
    return static_cast<std::int32_t>(position);
}

int CStdioFile::Seek(std::int32_t aOffset) {
    if (!iOpen) {
        return -1;
    }
    return std::fseek(iStream, aOffset, SEEK_SET);
}

std::int32_t CStdioFile::Size() {
    if (iSize >= 0) {
        return iSize;
    }
    if (!iOpen) {
        return KStdioErrPosition;
    }
    const off_t position = ::ftello(iStream);
    if (position < 0 || ::fseeko(iStream, 0, SEEK_END) != 0) {
        return KStdioErrPosition;
    }
    const off_t end = ::ftello(iStream);
    if (::fseeko(iStream, position, SEEK_SET) != 0 || end < 0 || end > INT32_MAX) {
        return KStdioErrPosition;
    }
    const std::int32_t size = static_cast<std::int32_t>(end);
    if (!iWrite) {
        iSize = size;
    }
    return size;
}
