#include "WidgetBenchWork.h"

#include "SampleSkin.h"
#include "ui/Skin.h"
#include "ui/UIButton.h"
#include "ui/UIRadioButton.h"

TBenchUi::TBenchUi() {
    SetSkinRoot(SampleSkinRoot().c_str());
    SetDefaultWidgetScreen(&iScreen);
    iUi.reset(new CUIScreen(KInitialColorScheme));
    GetSkin()->SetSchemeIndex(KInitialColorScheme);
    iUi->AddChild(new CUILabel(TRect(8, 4, 200, 18), "NMEA logger"));
    iUi->AddChild(new CUILabel(TRect(8, 24, 200, 18), "nmea_0042.nmea"));
    iUi->AddChild(new CUILabel(TRect(210, 24, 100, 18), "Running"));
    iUi->AddChild(new CUILabel(TRect(200, 50, 110, 18), "Log mode"));
    auto* append = new CUIRadioButton(TRect(8, 46, 90, 24), "Append", nullptr, nullptr, nullptr);
    auto* create = new CUIRadioButton(TRect(100, 46, 90, 24), "New", nullptr, append, nullptr);
    append->SetNext(create);
    append->SetChecked(true);
    auto* on = new CUIRadioButton(TRect(8, 72, 90, 24), "Decode", nullptr, nullptr, nullptr);
    auto* off = new CUIRadioButton(TRect(100, 72, 90, 24), "Raw", nullptr, on, nullptr);
    on->SetNext(off);
    off->SetChecked(true);
    for (MUIWidget* radio : {static_cast<MUIWidget*>(append), static_cast<MUIWidget*>(create),
                             static_cast<MUIWidget*>(on), static_cast<MUIWidget*>(off)}) {
        iUi->AddChild(radio);
    }
    const char* counters[] = {"GGA 1234", "GLL 17",   "GSA 1234", "GSV 3702",
                              "VTG 1234", "RMC 1234", "Other 5",  "Total 8262"};
    for (int i = 0; i < 8; ++i) {
        auto* label =
            new CUILabel(TRect(8 + 156 * (i % 2), 100 + 20 * (i / 2), 150, 18), counters[i]);
        iUi->AddChild(label);
        iCounter = label;
    }
    const char* commands[] = {"Start", "Save", "Hide", "Exit"};
    for (int i = 0; i < 4; ++i) {
        iUi->AddChild(new CUIButton(TRect(6 + 78 * i, 200, 72, 32), commands[i], nullptr));
    }
    iUi->Draw();  // loads the glyphs the redraws use
}

TBenchUi::~TBenchUi() {
    iUi.reset();
    SetDefaultWidgetScreen(nullptr);
}

const char* TBenchUi::Problem() const {
    auto* skin = dynamic_cast<CDefaultSkin*>(GetSkin());
    if (skin == nullptr || skin->GetImage(ESkinImageBack) == nullptr) {
        return "no sample skin (set FIXTRAIL_SKIN_ROOT, build the fixtrail-skin target)";
    }
    if (skin->IsFontShared(ESkinFontControl) || skin->IsFontShared(ESkinFontButton)) {
        return "the sample skin has no TrueType fonts (fonts-dejavu-core)";
    }
    return nullptr;
}

__attribute__((noinline)) void RedrawScreen(TBenchUi& aUi, int aRepetitions) {
    for (int i = 0; i < aRepetitions; ++i) {
        aUi.iUi->Draw();
    }
}

__attribute__((noinline)) void RedrawLabel(TBenchUi& aUi, int aRepetitions) {
    for (int i = 0; i < aRepetitions; ++i) {
        aUi.iCounter->Draw();
    }
}
