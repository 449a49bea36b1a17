#include "app/VelmorFileLayer.h"

#include <strings.h>
#include <unistd.h>

#include "app/CommandHandler.h"
#include "platform/FileScanner.h"
#include "platform/FixedString.h"
#include "platform/FormatToString.h"
#include "platform/Locations.h"
#include "platform/StdioFile.h"

namespace {

constexpr char KSeparator = '|';
constexpr int KReceiveSleepMicroseconds = 100000;
constexpr int KScanWorkBuffer = 2048;
// The inline text of an argument list: a message shorter than this is read into it.
constexpr int KSmallMessage = CCsvArguments::KInlineTextSize;
// The run directory, the two names, two numbers and a suffix, with room to spare.
constexpr int KPathSize = 1024;
// Markers taken from one listing. They are handled after the listing, which is not disturbed
// by their deletion; more than this are served in the next pass. Only markers that can be
// served count: what is refused is never deleted, so it would take its slot on every pass.
constexpr int KMaxMarkersPerPass = 16;
// The 8 bytes of a finished marker: "finish\n" and its NUL.
constexpr char KFinishedText[] = "finish\n";

bool IsValidName(const char* aName) {
    if (aName == nullptr) {
        return false;
    }
    int length = 0;
    for (; aName[length] != '\0'; ++length) {
        if (aName[length] == '.' || aName[length] == '/' || length == KMaxMessageName) {
            return false;
        }
    }
    return true;
}

bool SdkEqual(const char* aLeft, const char* aRight) {
    for (; *aLeft == *aRight; ++aLeft, ++aRight) {
        if (*aLeft == '\0') {
            return true;
        }
    }
    return false;
}

// The device path of one file of an exchange; false when it does not fit.
bool ComposePath(char* aPath, const char* aSender, const char* aReceiver, std::uint32_t aProcessId,
                 std::uint32_t aSequence, const char* aSuffix) {
    const char* directory = GetLocationPath(KLocationRunTime).PtrZ();
    const int written = FormatToString(aPath, KPathSize, "%s%s.%s.%u.%u%s", directory, aSender,
                                       aReceiver, aProcessId, aSequence, aSuffix);
    return written < KPathSize - 1;
}

// Only the decimal form that Send writes: digits, no sign, no blank, no leading zero, 32 bits.
// Any other spelling would be looked for under a name that is not the one found.
bool ParseCanonicalNumber(const char* aText, std::uint32_t* aValue) {
    if (aText[0] == '\0' || (aText[0] == '0' && aText[1] != '\0')) {
        return false;
    }
    std::uint64_t value = 0;
    for (const char* p = aText; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(*p - '0');
        if (value > UINT32_MAX) {
            return false;
        }
    }
    *aValue = static_cast<std::uint32_t>(value);
    return true;
}

CVelmorFileLayer::CSession* AsFileSession(MVelmorSession* aSession) {
    return dynamic_cast<CVelmorFileLayer::CSession*>(aSession);
}

CVelmorFileLayer* NewFileLayer(const char* aOwnName, const char* aPeerName,
                               std::uint32_t aProcessId) {
    if (!IsValidName(aOwnName) || !IsValidName(aPeerName)) {
        return nullptr;
    }
    CCsvArguments* arguments = SdkNew<CCsvArguments>(true, KSeparator);
    if (arguments == nullptr) {
        return nullptr;
    }
    CVelmorFileLayer* layer =
        SdkNew<CVelmorFileLayer>(false, arguments, aOwnName, aPeerName, aProcessId);
    if (layer == nullptr) {
        SdkDelete(arguments);
    }
    return layer;
}

// A marker addressed to us, taken apart: the names as spelled in the file name.
struct TMarker {
    char iName[KMaxMessageName + 1];
    const char* iSender;
    const char* iReceiver;
    std::uint32_t iProcessId;
    std::uint32_t iSequence;
};

// Fills aMarker from a directory entry's name when it is a finished marker for aOwnName that
// Receive will find again under the same name.
bool ParseMarker(const char* aName, int aLength, const char* aOwnName, int aOwnLength,
                 TMarker& aMarker) {
    // This runs for every name in the shared directory many times a second, and almost none
    // is for us: the suffix and the receiver rule them out before anything is copied.
    const int suffixLength = sizeof KFinishedSuffix - 1;
    if (aLength <= suffixLength || aLength > KMaxMessageName ||
        !SdkEqual(aName + aLength - suffixLength, KFinishedSuffix)) {
        return false;
    }
    const char* receiver = aName;
    while (*receiver != '.') {
        ++receiver;  // the suffix holds a dot: this ends
    }
    ++receiver;
    if (aName + aLength - receiver <= aOwnLength || receiver[aOwnLength] != '.' ||
        strncasecmp(receiver, aOwnName, static_cast<std::size_t>(aOwnLength)) != 0) {
        return false;
    }
    (void)BoundedCopy(aMarker.iName, aName, sizeof aMarker.iName);  // its length is checked above
    char* fields[5] = {aMarker.iName};
    int dots = 0;
    for (char* p = aMarker.iName; *p != '\0' && dots < 4; ++p) {
        if (*p == '.') {
            *p = '\0';
            fields[++dots] = p + 1;
        }
    }
    if (dots < 4) {
        return false;
    }
    // Exactly sender.receiver.pid.sequence.finished (the last field is the suffix without its
    // dot): an extra dot would put the sequence number somewhere else than where Receive looks
    // for it.
    if (!SdkEqual(fields[4], KFinishedSuffix + 1) ||
        !ParseCanonicalNumber(fields[2], &aMarker.iProcessId) ||
        !ParseCanonicalNumber(fields[3], &aMarker.iSequence)) {
        return false;
    }
    aMarker.iSender = fields[0];
    aMarker.iReceiver = fields[1];
    return true;
}

}  // namespace

MVelmorCommunicationLayerInterface::~MVelmorCommunicationLayerInterface() {
    SdkDelete(iArguments);
}

CVelmorFileLayer::CVelmorFileLayer(MArguments* aArguments, const char* aOwnName,
                                   const char* aPeerName, std::uint32_t aProcessId)
    : MVelmorCommunicationLayerInterface(aArguments), iProcessId(aProcessId) {
    (void)BoundedCopy(iOwnName, aOwnName, sizeof iOwnName);
    (void)BoundedCopy(iPeerName, aPeerName, sizeof iPeerName);
}

void CVelmorFileLayer::BeginRequest() {
    iReplyMode = 0;
    iArguments->Clear();
}

void CVelmorFileLayer::BeginReply(MVelmorSession* aSession) {
    iReplyMode = 1;
    iArguments->Clear();
    if (CSession* session = AsFileSession(aSession)) {
        // Send counts up first, so the reply carries the request's number.
        iSequence = session->iSequence - 1;
    }
}

void CVelmorFileLayer::AddArgument(const char* aText) {
    iArguments->Append(aText);
}

MVelmorSession* CVelmorFileLayer::Send() {
    ++iSequence;
    CFixedString& directory = GetLocationPath(KLocationRunTime);
    if (!DirectoryExists(directory) && CreateDirectory(directory) != 0) {
        return nullptr;
    }
    char message[KPathSize];
    char marker[KPathSize];
    if (!ComposePath(message, iOwnName, iPeerName, iProcessId, iSequence, KMessageSuffix) ||
        !ComposePath(marker, iOwnName, iPeerName, iProcessId, iSequence, KFinishedSuffix)) {
        return nullptr;
    }
    // A marker left by an earlier exchange of the same name would let a reader take the new
    // message while it is being written.
    (void)RemoveFile(marker);

    CStdioFile file;
    if (file.OpenWrite(message, false) != 0) {
        return nullptr;
    }
    const char* text = iArguments->GetText();
    const int written = file.Write(text, SdkLength(text) + 1);
    // The marker tells a reader the message is whole: only once every byte is on the medium
    // (written, flushed, synced and closed without error). A cut message has no marker and is
    // never read; it is ours, so it does not stay behind.
    if (file.Close() != 0 || written != 0) {
        (void)RemoveFile(message);
        return nullptr;
    }
    if (file.OpenWrite(marker, false) != 0) {
        return nullptr;
    }
    const int markerWritten = file.Write(KFinishedText, sizeof KFinishedText);
    if (file.Close() != 0 || markerWritten != 0) {
        // The message is whole, so a reader that saw the marker meanwhile reads it rightly; but
        // the caller is told that nothing was sent, and no marker of it stays.
        (void)RemoveFile(marker);
        return nullptr;
    }

    if (iReplyMode != 0) {
        return nullptr;
    }
    return SdkNew<CSession>(false, iSequence);
}

bool CVelmorFileLayer::IsReplyReady(MVelmorSession* aSession) {
    CSession* session = AsFileSession(aSession);
    char marker[KPathSize];
    // Existence of a readable regular file rather than an open: opening a FIFO named like a
    // marker would block until some process writes to it.
    return session != nullptr &&
           ComposePath(marker, iPeerName, iOwnName, iProcessId, session->iSequence,
                       KFinishedSuffix) &&
           FileExists(marker);
}

bool CVelmorFileLayer::ReceiveIfReady(MVelmorSession* aSession) {
    if (!IsReplyReady(aSession)) {
        return false;
    }
    const std::uint32_t sequence = AsFileSession(aSession)->iSequence;
    char message[KPathSize];
    char marker[KPathSize];
    // Both fit: the marker's path was composed a moment ago, and ".message" is shorter.
    (void)ComposePath(message, iPeerName, iOwnName, iProcessId, sequence, KMessageSuffix);
    (void)ComposePath(marker, iPeerName, iOwnName, iProcessId, sequence, KFinishedSuffix);
    ReadMessage(message);
    (void)RemoveFile(marker);
    (void)RemoveFile(message);
    SdkDelete(aSession);
    return true;
}

void CVelmorFileLayer::Receive(MVelmorSession* aSession) {
    if (aSession == nullptr) {
        iArguments->Clear();
        return;
    }
    if (AsFileSession(aSession) == nullptr) {
        // Not an exchange of this layer: there is nothing it could ever wait for.
        iArguments->Clear();
        SdkDelete(aSession);
        return;
    }
    // No time-out: the peer's marker is the only end of the wait.
    while (!ReceiveIfReady(aSession)) {
        (void)usleep(KReceiveSleepMicroseconds);
    }
}

void CVelmorFileLayer::ReadMessage(const char* aPath) {
    // Only a regular file: a FIFO would block the open, a device could feed without end.
    if (!FileExists(aPath)) {
        return;
    }
    CStdioFile file;
    if (file.OpenRead(aPath) != 0) {
        return;
    }
    // The directory is shared: what lies past the cap is treated as absent.
    std::int32_t fileSize = file.Size();
    if (fileSize < 0 || fileSize > KMaxMessageRead) {
        fileSize = KMaxMessageRead;
    }
    int size = fileSize + 1;
    if (size >= KSmallMessage) {
        if (!iArguments->Reserve(size)) {
            return;
        }
    } else {
        // Back to the inline text, which holds any small message.
        iArguments->Clear();
        size = KSmallMessage;
    }
    char* text = iArguments->GetText();
    // fgets leaves the buffer as it was at an immediate end of file: an empty message must
    // not come back as the text last sent.
    text[0] = '\0';
    if (file.ReadLine(text, size) < 0) {
        text[0] = '\0';
    }
    file.Close();
    text[size - 1] = '\0';
    iArguments->Split();
}

MVelmorCommunicationLayerInterface* CreateFileLayer(const char* aOwnName, const char* aPeerName,
                                                    int aProcessId) {
    const std::uint32_t processId =
        static_cast<std::uint32_t>(aProcessId == -1 ? static_cast<int>(getpid()) : aProcessId);
    return NewFileLayer(aOwnName, aPeerName, processId);
}

void ServeMessages(const char* aOwnName, MCommandHandlerInterface* aHandler) {
    if (aOwnName == nullptr) {
        return;
    }
    const int ownLength = SdkLength(aOwnName);
    TMarker markers[KMaxMarkersPerPass];
    int count = 0;
    {
        CFileScanner scanner(GetLocationPath(KLocationRunTime), KScanFilesOnly, KScanWorkBuffer);
        for (const TFileScanEntry* entry = scanner.First();
             entry != nullptr && count < KMaxMarkersPerPass; entry = scanner.Next()) {
            // A FIFO, a device or an unreadable file named like a marker for us is refused
            // here, where it costs a stat, and left alone for whoever made it.
            if (ParseMarker(entry->Name(), entry->iNameLength, aOwnName, ownLength,
                            markers[count]) &&
                FileExists(entry->Path())) {
                ++count;
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        const TMarker& marker = markers[i];
        // Named as the request spelled it, so that a reply goes back under that spelling.
        // The process id is taken as it is: through CreateFileLayer 4294967295 would become
        // this process's id.
        CVelmorFileLayer* layer = NewFileLayer(marker.iReceiver, marker.iSender, marker.iProcessId);
        if (layer == nullptr) {
            continue;
        }
        CVelmorFileLayer::CSession* session =
            SdkNew<CVelmorFileLayer::CSession>(false, marker.iSequence);
        // A marker gone since the listing was taken by another reader: nothing to hand on.
        if (session == nullptr || !layer->ReceiveIfReady(session)) {
            SdkDelete(session);
            SdkDelete(layer);
            continue;
        }
        MVelmorSession* replySession = SdkNew<CVelmorFileLayer::CSession>(false, marker.iSequence);
        if (aHandler != nullptr) {
            aHandler->HandleCommand(layer, replySession);
        }
        SdkDelete(replySession);
        SdkDelete(layer);
    }
}
