#include "ui/UIWidgetGroup.h"

namespace {

constexpr int KKeyDirectionBack = -1;
constexpr int KKeyDirectionForward = 1;

int DirectionOfKey(int aKey) {
    if (aKey == KKeyPrevious) {
        return KKeyDirectionBack;
    }
    return aKey == KKeyNext ? KKeyDirectionForward : 0;
}

bool CanTakeFocus(const MUIWidget* aWidget) {
    return aWidget != nullptr && aWidget->IsEnabled() && aWidget->IsVisible();
}

}  // namespace

CUIWidgetGroup::CUIWidgetGroup(const TRect& aRect) : MUIWidget(aRect, nullptr, nullptr) {}

CUIWidgetGroup::~CUIWidgetGroup() {
    CUIWidgetGroup::DeleteAllChildren();
}

void CUIWidgetGroup::Draw() {
    for (MUIWidget* child : iChildren) {
        if (child != nullptr) {
            child->Draw();
        }
    }
}

bool CUIWidgetGroup::HandleTouch(const TouchEvent& aEvent) {
    MUIWidget* target = nullptr;
    for (MUIWidget* child : iChildren) {
        if (child != nullptr && child->Contains(aEvent.x, aEvent.y) && child->IsEnabled()) {
            target = child;
            break;
        }
    }
    // Either handler may destroy a child (a listener that rebuilds the screen): ChildDestroyed
    // clears iRouting and iTouchTarget, so no freed widget is called or kept.
    iRouting = target;
    bool result = false;
    if (iTouchTarget != nullptr && iTouchTarget != target) {
        MUIWidget* left = iTouchTarget;
        iTouchTarget = nullptr;
        TouchEvent release;
        release.x = aEvent.x;
        release.y = aEvent.y;
        release.pressure = 0;
        result = left->HandleTouch(release);
    }
    if (iRouting != nullptr && iRouting->HandleTouch(aEvent)) {
        result = true;
    }
    iTouchTarget = iRouting;
    iRouting = nullptr;
    return result;
}

bool CUIWidgetGroup::HandleKey(int aKey) {
    if (MoveFocus(DirectionOfKey(aKey))) {
        return true;
    }
    MUIWidget* holder = FocusHolder(KKeyDirectionForward);
    if (holder == nullptr) {
        return false;
    }
    if (!holder->IsFocused()) {
        holder->SetFocus(true);
        holder->Draw();
    }
    return holder->HandleKey(aKey);
}

void CUIWidgetGroup::SetColorScheme(MColorScheme* aScheme) {
    MUIWidget::SetColorScheme(aScheme);
    for (MUIWidget* child : iChildren) {
        if (child != nullptr) {
            child->SetColorScheme(aScheme);
        }
    }
}

void CUIWidgetGroup::SetFont(MFont* aFont) {
    MUIWidget::SetFont(aFont);
    for (MUIWidget* child : iChildren) {
        if (child != nullptr) {
            child->SetFont(aFont);
        }
    }
}

bool CUIWidgetGroup::AddChild(MUIWidget* aWidget) {
    if (aWidget == nullptr || aWidget->iParent != nullptr || aWidget == this) {
        return false;
    }
    for (MUIWidget*& slot : iChildren) {
        if (slot == nullptr) {
            slot = aWidget;
            aWidget->iParent = this;
            return true;
        }
    }
    return false;
}

bool CUIWidgetGroup::DeleteChild(MUIWidget* aWidget) {
    if (aWidget == nullptr || SlotOf(aWidget) < 0) {
        return false;
    }
    delete aWidget;  // its destructor empties the slot and clears the touch target
    return true;
}

bool CUIWidgetGroup::HasChild(MUIWidget* aWidget) {
    return aWidget != nullptr && SlotOf(aWidget) >= 0;
}

void CUIWidgetGroup::VisitChildren() {
    for (MUIWidget* child : iChildren) {
        (void)child;
    }
}

void CUIWidgetGroup::DeleteAllChildren() {
    for (MUIWidget*& slot : iChildren) {
        MUIWidget* child = slot;
        if (child != nullptr) {
            delete child;
            slot = nullptr;
        }
    }
    iTouchTarget = nullptr;
}

MUIWidget* CUIWidgetGroup::FocusHolder(int aDirection) const {
    for (MUIWidget* child : iChildren) {
        if (child != nullptr && child->IsFocused()) {
            return child;
        }
    }
    if (aDirection < 1) {
        for (int slot = KMaxChildren - 1; slot >= 0; --slot) {
            if (CanTakeFocus(iChildren[slot])) {
                return iChildren[slot];
            }
        }
    } else {
        for (MUIWidget* child : iChildren) {
            if (CanTakeFocus(child)) {
                return child;
            }
        }
    }
    return nullptr;
}

bool CUIWidgetGroup::MoveFocus(int aDirection) {
    if (aDirection == 0) {
        return false;
    }
    MUIWidget* holder = FocusHolder(aDirection);
    if (holder == nullptr) {
        return false;
    }
    if (!holder->IsFocused()) {
        holder->SetFocus(true);
        holder->Draw();
    } else {
        const int step = aDirection < 0 ? KMaxChildren - 1 : 1;
        const int start = SlotOf(holder);
        MUIWidget* candidate = nullptr;
        for (int slot = (start + step) % KMaxChildren; slot != start;
             slot = (slot + step) % KMaxChildren) {
            MUIWidget* child = iChildren[slot];
            if (CanTakeFocus(child) && child->SetFocus(true)) {
                candidate = child;
                break;
            }
        }
        if (candidate == nullptr) {
            return false;
        }
        holder->SetFocus(false);
        holder->Draw();
        candidate->Draw();
    }
    if (iFrameBuffer != nullptr) {
        iFrameBuffer->Update(true);
    }
    return true;
}

MUIWidget* CUIWidgetGroup::Child(int aSlot) const {
    return aSlot >= 0 && aSlot < KMaxChildren ? iChildren[aSlot] : nullptr;
}

int CUIWidgetGroup::ChildCount() const {
    int count = 0;
    for (const MUIWidget* child : iChildren) {
        if (child != nullptr) {
            ++count;
        }
    }
    return count;
}

int CUIWidgetGroup::SlotOf(const MUIWidget* aWidget) const {
    for (int slot = 0; slot < KMaxChildren; ++slot) {
        if (iChildren[slot] == aWidget) {
            return slot;
        }
    }
    return -1;
}

void CUIWidgetGroup::ChildDestroyed(MUIWidget* aWidget) {
    const int slot = SlotOf(aWidget);
    if (slot >= 0) {
        iChildren[slot] = nullptr;
    }
    if (iTouchTarget == aWidget) {
        iTouchTarget = nullptr;
    }
    if (iRouting == aWidget) {
        iRouting = nullptr;
    }
}
