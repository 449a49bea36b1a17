#pragma once

#include <cstdint>

#include "app/Arguments.h"

class MCommandHandlerInterface;

// The device's messaging layer. Processes exchange messages as pairs of files in the run
// directory (/var/run/, file location 26):
//
//   client.VelmorNavigationServer.812.3.message    the argument list's text and a NUL
//   client.VelmorNavigationServer.812.3.finished   "finish\n" and a NUL, written last
//
// sender, receiver, process id of the client that opened the exchange, sequence number. A
// reply swaps sender and receiver and keeps the two numbers. The finished marker is the only
// synchronisation: a writer closes (and syncs) the message before it creates the marker; a
// reader opens a message only after it has seen the marker, and deletes the marker first.

constexpr char KMessageSuffix[] = ".message";
constexpr char KFinishedSuffix[] = ".finished";
constexpr int KMaxMessageName = 255;  // characters of a process name
// What Receive reads of one message at most: the directory is shared with other processes,
// and a file of absurd size must not make this one allocate without limit.
constexpr int KMaxMessageRead = 64 * 1024;

// One exchange, as Send returns it and Receive takes (and destroys) it.
class MVelmorSession {
  public:
    virtual ~MVelmorSession() = default;
};

class MVelmorCommunicationLayerInterface {
  public:
    // Takes ownership of aArguments (made by SdkNew).
    explicit MVelmorCommunicationLayerInterface(MArguments* aArguments) : iArguments(aArguments) {}
    virtual ~MVelmorCommunicationLayerInterface();
    MVelmorCommunicationLayerInterface(const MVelmorCommunicationLayerInterface&) = delete;
    MVelmorCommunicationLayerInterface& operator=(const MVelmorCommunicationLayerInterface&) =
        delete;

    // Starts a request: the argument list is emptied.
    virtual void BeginRequest() = 0;
    // Starts the reply to aSession's request: the argument list is emptied.
    virtual void BeginReply(MVelmorSession* aSession) = 0;
    virtual void AddArgument(const char* aText) = 0;
    // Writes the message. A request returns its session (the caller's, to hand to Receive);
    // a reply returns null, as does any failure.
    virtual MVelmorSession* Send() = 0;
    // True when the peer's answer to aSession is complete; aSession is left alone.
    virtual bool IsReplyReady(MVelmorSession* aSession) = 0;
    // Waits, without a time-out, for the answer to aSession, reads it into the argument list
    // (split into items), deletes its files and destroys aSession. A null session only empties
    // the list.
    virtual void Receive(MVelmorSession* aSession) = 0;

    // The items of the message last received, or being built.
    MArguments* Arguments() const { return iArguments; }

  protected:
    MArguments* iArguments;
};

class CVelmorFileLayer : public MVelmorCommunicationLayerInterface {
  public:
    class CSession : public MVelmorSession {
      public:
        explicit CSession(std::uint32_t aSequence) : iSequence(aSequence) {}
        std::uint32_t iSequence;
    };

    // Names must fit KMaxMessageName and hold no '.' or '/' (see CreateFileLayer).
    CVelmorFileLayer(MArguments* aArguments, const char* aOwnName, const char* aPeerName,
                     std::uint32_t aProcessId);

    void BeginRequest() override;
    void BeginReply(MVelmorSession* aSession) override;
    void AddArgument(const char* aText) override;
    MVelmorSession* Send() override;
    bool IsReplyReady(MVelmorSession* aSession) override;
    void Receive(MVelmorSession* aSession) override;

    // Receive without the wait: false, with aSession kept, when the answer is not complete.
    bool ReceiveIfReady(MVelmorSession* aSession);

    const char* OwnName() const { return iOwnName; }
    const char* PeerName() const { return iPeerName; }
    std::uint32_t ProcessId() const { return iProcessId; }
    std::uint32_t Sequence() const { return iSequence; }

  private:
    void ReadMessage(const char* aPath);

    char iOwnName[KMaxMessageName + 1];
    char iPeerName[KMaxMessageName + 1];
    std::uint32_t iSequence = 0;
    std::uint32_t iProcessId;
    int iReplyMode = 0;
};

// A layer from aOwnName to aPeerName with its own argument list ('|'); aProcessId -1 means this
// process. Null when memory runs out, or when a name is null, longer than KMaxMessageName or
// holds a '.' (fields are cut at dots) or a '/' (it would leave the run directory). Destroy it
// with SdkDelete.
MVelmorCommunicationLayerInterface* CreateFileLayer(const char* aOwnName, const char* aPeerName,
                                                    int aProcessId);

// Reads, deletes and hands to aHandler every complete message addressed to aOwnName (in any
// letter case) in the run directory, in directory order. Never waits.
void ServeMessages(const char* aOwnName, MCommandHandlerInterface* aHandler);
