#pragma once

class CCaptureState;
class MVelmorCommunicationLayerInterface;
class MVelmorSession;

// What ServeMessages hands every message it received to.
class MCommandHandlerInterface {
  public:
    // The message's items are in the layer's argument list; a reply goes out through the layer
    // with BeginReply(aSession). Neither is kept: the caller destroys both afterwards.
    virtual void HandleCommand(MVelmorCommunicationLayerInterface* aLayer,
                               MVelmorSession* aSession) = 0;
    virtual ~MCommandHandlerInterface() = default;
};

// The application's handler: a message of any content brings the application back to the
// display. It sends no reply.
class CExampleHandler : public MCommandHandlerInterface {
  public:
    // The main screen's part of coming back, which belongs to the screen, not to the handler.
    class MExampleHandlerEvents {
      public:
        virtual ~MExampleHandlerEvents() = default;
        // Repaints the whole main screen with its controls and values and shows it on the
        // display when this process owns it.
        virtual void RedrawAll() = 0;
    };

    // Either may be null: a handler not wired yet changes nothing.
    void SetCaptureState(CCaptureState* aState) { iState = aState; }
    void SetEvents(MExampleHandlerEvents* aEvents) { iEvents = aEvents; }

    // Coming back to the display, as any message asks: a hidden run becomes a shown one
    // (Running), and the screen is redrawn.
    void HandleCommand(MVelmorCommunicationLayerInterface* aLayer,
                       MVelmorSession* aSession) override;
    // The same, for a display given back through the owner word alone, without a message.
    void ComeBack();

  private:
    CCaptureState* iState = nullptr;
    MExampleHandlerEvents* iEvents = nullptr;
};
