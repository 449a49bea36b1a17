#pragma once

#include "ui/UIWidget.h"

// Slots of a widget group.
constexpr int KMaxChildren = 64;

// A widget made of up to 64 children that it owns. Slot order is drawing order, hit-test order
// (the lower slot wins) and focus order.
class CUIWidgetGroup : public MUIWidget {
  public:
    explicit CUIWidgetGroup(const TRect& aRect);
    // Destroys every child.
    ~CUIWidgetGroup() override;

    // Draws every child, slot 0 to 63.
    void Draw() override;
    // Routes the event to the first enabled child under the pen. When that is not the child that
    // had the previous event, the previous one first gets a release at the same point.
    bool HandleTouch(const TouchEvent& aEvent) override;
    // Key 3 moves the focus back, key 4 forward; a key that moves nothing goes to the focus
    // holder, which is focused first if it was not.
    bool HandleKey(int aKey) override;
    // Stored and handed to every child.
    void SetColorScheme(MColorScheme* aScheme) override;
    void SetFont(MFont* aFont) override;

    // Takes ownership and puts the widget in the first empty slot. False, and the widget stays
    // with the caller, when the group is full, the widget is null, or it already belongs to a
    // group (two owners would destroy it twice).
    virtual bool AddChild(MUIWidget* aWidget);
    // Destroys that child and empties its slot; false when it is not a child.
    virtual bool DeleteChild(MUIWidget* aWidget);
    virtual bool HasChild(MUIWidget* aWidget);
    // Walks the slots and does nothing: a hook for subclasses.
    virtual void VisitChildren();
    virtual void DeleteAllChildren();
    // Repaints the group's background inside aArea, for children that draw without a fill.
    virtual void DrawBackground(const TRect& aArea) = 0;

    // Moves the focus one focusable child in aDirection (-1 back, +1 forward), wrapping around,
    // or focuses the focus holder if it was not focused. Redraws the two children and updates
    // the display; false when nothing changed (aDirection 0, no candidate).
    bool MoveFocus(int aDirection);
    // The first focused child; if none, the first enabled and visible one, searching from
    // slot 63 down when aDirection is below 1, from slot 0 up otherwise. Null when none.
    MUIWidget* FocusHolder(int aDirection) const;

    // The child in aSlot (0 to 63), null for an empty slot or a slot out of range.
    MUIWidget* Child(int aSlot) const;
    int ChildCount() const;
    // The child that received the last touch event; null when none or when it was destroyed.
    MUIWidget* TouchTarget() const { return iTouchTarget; }

  private:
    friend class MUIWidget;

    int SlotOf(const MUIWidget* aWidget) const;
    // Called by a child's destructor: forget every pointer to it.
    void ChildDestroyed(MUIWidget* aWidget);

    MUIWidget* iTouchTarget = nullptr;
    MUIWidget* iChildren[KMaxChildren] = {};
    // The child a touch is being routed to, cleared if a handler destroys it meanwhile.
    MUIWidget* iRouting = nullptr;
};
