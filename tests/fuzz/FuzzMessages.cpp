// ServeMessages over a run directory holding what another process might drop there. The input
// up to its first line feed is a file name, the rest that file's content; a name ending in
// ".finished" or ".message" gets its partner with the same content. Beside it lies one
// well-formed message for the application, nav.fixtrail.1.1, whose content is the same bytes.
// The directory lives under a private FIXTRAIL_ROOT made on the first run.
//
// Checked: the call returns (libFuzzer's -timeout, or the corpus test's time limit, reports a
// hang); the well-formed message is served and its pair deleted; every item the handler sees is
// a string inside a text of at most 64 KiB; a reply through the handler's layer is written
// under the request's numbers.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "app/CommandHandler.h"
#include "app/VelmorFileLayer.h"
#include "platform/DevicePath.h"

namespace {

// A name the directory listing can hold in full: longer ones end the listing early, which would
// hide the well-formed message rather than show a fault of the messaging.
constexpr std::size_t KMaxFuzzName = 200;

std::string RunDirectory() {
    return std::string(gFuzzRoot) + "/var/run/";
}

// Everything in the run directory: files and, for names like a marker, empty directories.
void EmptyRunDirectory() {
    const std::string directoryPath = RunDirectory();
    DIR* directory = opendir(directoryPath.c_str());
    if (directory == nullptr) {
        return;
    }
    while (const dirent* entry = readdir(directory)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            const std::string path = directoryPath + entry->d_name;
            if (unlink(path.c_str()) != 0) {
                (void)rmdir(path.c_str());
            }
        }
    }
    closedir(directory);
}

bool WriteFile(const std::string& aName, const std::string& aBytes) {
    std::FILE* file = std::fopen((RunDirectory() + aName).c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(aBytes.data(), 1, aBytes.size(), file) == aBytes.size();
    return std::fclose(file) == 0 && written;
}

bool Exists(const std::string& aName) {
    struct stat info {};
    return lstat((RunDirectory() + aName).c_str(), &info) == 0;
}

class CCheckingHandler : public MCommandHandlerInterface {
  public:
    void HandleCommand(MVelmorCommunicationLayerInterface* aLayer,
                       MVelmorSession* aSession) override {
        Check(aLayer != nullptr && aSession != nullptr);
        MArguments& list = *aLayer->Arguments();
        Check(std::strlen(list.GetText()) <= static_cast<std::size_t>(KMaxMessageRead));
        for (int i = 0; i < list.Count(); ++i) {
            Check(list.Get(i) != nullptr);
            Check(std::strlen(list.Get(i)) <= static_cast<std::size_t>(KMaxMessageRead));
        }
        Check(list.Get(list.Count()) == nullptr);
        const auto& layer = dynamic_cast<const CVelmorFileLayer&>(*aLayer);
        if (std::strcmp(layer.OwnName(), "fixtrail") == 0 &&
            std::strcmp(layer.PeerName(), "nav") == 0 && layer.ProcessId() == 1 &&
            dynamic_cast<const CVelmorFileLayer::CSession&>(*aSession).iSequence == 1) {
            ++iWellFormed;
            aLayer->BeginReply(aSession);
            aLayer->AddArgument("done");
            Check(aLayer->Send() == nullptr);
            Check(Exists(std::string(layer.OwnName()) + ".nav.1.1.finished"));
        }
        ++iCalls;
    }
    int iCalls = 0;
    int iWellFormed = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
    static const bool KRootMade = MakeFuzzRoot("messages", {"/var", "/var/run"}, true);
    Check(KRootMade);
    EmptyRunDirectory();

    const std::string input(reinterpret_cast<const char*>(aData), aSize);
    const std::size_t lineEnd = input.find('\n');
    std::string name = input.substr(0, lineEnd);
    const std::string content = lineEnd == std::string::npos ? "" : input.substr(lineEnd + 1);
    for (char& c : name) {
        if (c == '/' || c == '\0') {
            c = '_';
        }
    }
    if (name.size() > KMaxFuzzName) {
        name.resize(KMaxFuzzName);
    }
    const std::string ours = "nav.fixtrail.1.1";
    const bool usable =
        !name.empty() && name != "." && name != ".." && name.compare(0, ours.size(), ours) != 0;
    if (usable) {
        (void)WriteFile(name, content);
        for (const char* suffix : {".finished", ".message"}) {
            const std::string tail = suffix;
            if (name.size() > tail.size() &&
                name.compare(name.size() - tail.size(), tail.size(), tail) == 0) {
                const std::string stem = name.substr(0, name.size() - tail.size());
                (void)WriteFile(stem + (tail == ".finished" ? ".message" : ".finished"), content);
            }
        }
    }
    Check(WriteFile(ours + ".message", content) && WriteFile(ours + ".finished", "finish\n"));

    CCheckingHandler handler;
    ServeMessages("fixtrail", &handler);
    Check(handler.iWellFormed == 1);
    Check(!Exists(ours + ".message") && !Exists(ours + ".finished"));
    return 0;
}
