#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/MarkedFrameBuffer.h"
#include "support/MemoryFrameBuffer.h"
#include "support/TempRoot.h"
#include "ui/BitmappedFont.h"
#include "ui/FreeTypeFont.h"

namespace {

constexpr const char* KDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr std::uint16_t KInk = 0x001F;
constexpr int KSize = 16;

std::vector<std::string> Picture(CMemoryFrameBuffer& aFb) {
    std::vector<std::string> rows;
    for (int y = 0; y < aFb.GetHeight(); ++y) {
        std::string row;
        for (int x = 0; x < aFb.GetWidth(); ++x) {
            row += aFb.Pixel(x, y) == KInk ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

int InkCount(CMemoryFrameBuffer& aFb) {
    int count = 0;
    for (const std::string& row : Picture(aFb)) {
        for (char pixel : row) {
            count += pixel == '#' ? 1 : 0;
        }
    }
    return count;
}

// A 3 x 2 glyph for every code in its set, "#.#" over ".#.", one pixel above the baseline;
// advance 4 and height 2. Counts its loads and hits.
class CScriptedFont : public CBitmappedFont {
  public:
    explicit CScriptedFont(std::set<int> aCodes) : CBitmappedFont(7), iCodes(std::move(aCodes)) {}

    int GetMetric(int /*aKind*/) override { return 0; }

    int iLoads = 0;
    int iHits = 0;

  protected:
    bool LoadGlyph(int aChar, TGlyphEntry& aEntry) override {
        ++iLoads;
        if (iCodes.count(aChar) == 0) {
            return false;
        }
        static const std::uint8_t KBits[] = {0xA0, 0x40};
        TMonoBitmap bitmap;
        bitmap.iWidth = 3;
        bitmap.iRows = 2;
        bitmap.iPitch = 1;
        bitmap.iLeft = 0;
        bitmap.iTop = 1;
        bitmap.iBits = KBits;
        return FillEntry(aEntry, aChar, bitmap, 4, 2);
    }
    void OnCacheHit(int /*aChar*/) override { ++iHits; }

  private:
    std::set<int> iCodes;
};

TEST(BitmappedFont, LoadsOnAMissAndServesHitsFromTheCache) {
    CScriptedFont font({'a', 'b'});
    EXPECT_EQ(font.CharWidth('a'), 4);
    EXPECT_EQ(font.iLoads, 1);
    EXPECT_EQ(font.iHits, 0);
    EXPECT_EQ(font.CharHeight('a'), 2);
    EXPECT_EQ(font.TextWidth("aab"), 12);
    EXPECT_EQ(font.iLoads, 2);
    EXPECT_EQ(font.iHits, 3);
    EXPECT_EQ(font.CacheEntry(font.SlotOf('a')).iCode, 'a');
}

TEST(BitmappedFont, CodesEqualModuloTheCacheSizeEvictEachOther) {
    const int a = 'a';
    const int twin = 'a' + CBitmappedFont::KCacheSize;
    CScriptedFont font({a, twin, 'a' + 2 * CBitmappedFont::KCacheSize});
    EXPECT_EQ(font.SlotOf(a), font.SlotOf(twin));
    font.CharWidth(a);
    font.CharWidth(twin);
    EXPECT_EQ(font.CacheEntry(font.SlotOf(a)).iCode, twin);
    font.CharWidth(a);  // reloaded, not a hit
    EXPECT_EQ(font.iLoads, 3);
    EXPECT_EQ(font.iHits, 0);
    font.CharWidth(a);
    EXPECT_EQ(font.iHits, 1);
    // The slot arithmetic is unsigned: negative and extreme codes land inside the cache.
    for (int code : {-1, INT_MIN, INT_MAX}) {
        EXPECT_LT(font.SlotOf(code), static_cast<unsigned>(CBitmappedFont::KCacheSize)) << code;
    }
    EXPECT_EQ(font.SlotOf(-1), 0xFFFFFFFFu % 200);
}

TEST(BitmappedFont, MissingCharactersAreLoadedOnceAndUseTheFallback) {
    CScriptedFont font({'a'});
    EXPECT_EQ(font.CharWidth('z'), 7);
    EXPECT_EQ(font.CharHeight('z'), 0);
    EXPECT_EQ(font.TextWidth("zzz"), 21);
    EXPECT_EQ(font.iLoads, 1);
    EXPECT_EQ(font.KnownMissingCount(), 1u);
    EXPECT_TRUE(font.IsKnownMissing('z'));
    // Each missing code joins the list once, and the earlier ones stay in it.
    for (int code : {int{'y'}, int{'x'}, int{'z'}, 0x1F600}) {
        font.CharWidth(code);
    }
    EXPECT_EQ(font.KnownMissingCount(), 4u);
    for (int code : {int{'z'}, int{'y'}, int{'x'}, 0x1F600}) {
        EXPECT_TRUE(font.IsKnownMissing(code)) << code;
    }
    EXPECT_FALSE(font.IsKnownMissing('a'));
    EXPECT_EQ(font.iLoads, 4);
    // A failed load leaves its slot empty.
    EXPECT_EQ(font.CacheEntry(font.SlotOf('z')).iCode, 0);

    // The fallback glyph draws nothing but still advances.
    CMemoryFrameBuffer fb(32, 8);
    EXPECT_TRUE(font.DrawText(&fb, "zaz", 0, 0, KInk));
    EXPECT_EQ(InkCount(fb), 3);
    EXPECT_EQ(fb.Pixel(7, 1), KInk);  // 'a' at x = 7, its top row one above the baseline y = 2
}

TEST(BitmappedFont, CodesOutsideEveryFontGetTheFallbackWithoutALoad) {
    CScriptedFont font({'a'});
    for (int code : {0, -1, INT_MIN}) {
        EXPECT_EQ(&font.FindGlyph(code), &font.FallbackGlyph()) << code;
    }
    const TWideChar wide[] = {0xFFFFFFFFu, 0x80000000u, 0};
    EXPECT_EQ(font.TextWidth(wide), 14);
    EXPECT_EQ(font.iLoads, 0);
    EXPECT_EQ(font.KnownMissingCount(), 0u);
}

TEST(BitmappedFont, DrawsCachedGlyphsOnTheBaseline) {
    CScriptedFont font({'a', 'b'});
    CMemoryFrameBuffer fb(12, 4);
    // Baseline = 0 + TextHeight (2); each glyph's top row is one row above it.
    ASSERT_TRUE(font.DrawText(&fb, "ab", 1, 0, KInk));
    const std::vector<std::string> expected = {
        "............",
        ".#.#.#.#....",
        "..#...#.....",
        "............",
    };
    EXPECT_EQ(Picture(fb), expected);
    // Drawn into a frame buffer that has no pixel memory: nothing, and false.
    CMemoryFrameBuffer unmapped(12, 4);
    unmapped.SetMapped(false);
    EXPECT_FALSE(font.DrawChar(&unmapped, 'a', 1, 2, KInk));
    EXPECT_FALSE(font.DrawText(&unmapped, "a", 1, 0, KInk));
}

TEST(BitmappedFont, ClipsCachedGlyphsAtEveryEdge) {
    CScriptedFont font({'a'});
    struct TCase {
        const char* iLegend;
        int iX;
        int iBaseline;
        int iInk;
    };
    const TCase cases[] = {
        {"inside", 2, 3, 3},
        {"half left of the screen", -1, 3, 2},
        {"half right of the screen", 6, 3, 2},
        {"half above the screen", 2, 0, 1},
        {"half below the screen", 2, 5, 2},
        {"far away", INT_MAX, INT_MAX, 0},
        {"far negative", INT_MIN, INT_MIN, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        CMarkedFrameBuffer fb(8, 5);
        fb.BeginCall();
        EXPECT_TRUE(font.DrawChar(&fb, 'a', c.iX, c.iBaseline, KInk));
        EXPECT_TRUE(fb.MarksCoverChanges());
        EXPECT_EQ(InkCount(fb), c.iInk);
        EXPECT_TRUE(fb.GuardsIntact());
    }
}

TEST(BitmappedFont, StoreGlyphCopiesTheBitmapOrRefusesIt) {
    CScriptedFont font({});
    // Three rows stored bottom row first (negative pitch, two bytes a row).
    const std::uint8_t upward[] = {0x80, 0x00, 0x40, 0x00, 0x20, 0x00};
    ASSERT_TRUE(font.StoreGlyph('v', 3, 3, -2, 5, -4, 0, 3, upward));
    const TGlyphEntry& entry = font.CacheEntry(font.SlotOf('v'));
    EXPECT_EQ(entry.iCode, 'v');
    EXPECT_EQ(entry.iHeight, 1);  // a negative height is stored as 1
    CMemoryFrameBuffer fb(4, 4);
    ASSERT_TRUE(font.DrawChar(&fb, 'v', 0, 3, KInk));
    const std::vector<std::string> expected = {"..#.", ".#..", "#...", "...."};
    EXPECT_EQ(Picture(fb), expected);
    EXPECT_EQ(font.iLoads, 0);  // found in the cache

    // A glyph without a bitmap keeps its metrics and draws nothing.
    ASSERT_TRUE(font.StoreGlyph('w', 3, 3, 1, 6, 3, 0, 3, nullptr));
    EXPECT_EQ(font.CharWidth('w'), 6);

    const std::uint8_t bits[8] = {};
    struct TCase {
        const char* iLegend;
        int iChar, iWidth, iRows, iPitch;
    };
    const TCase refused[] = {
        {"code 0", 0, 3, 3, 1},
        {"negative code", -5, 3, 3, 1},
        {"pitch shorter than a row", 'x', 9, 2, 1},
        {"negative width", 'x', -1, 2, 1},
        {"negative rows", 'x', 3, -2, 1},
        {"absurd width", 'x', INT_MAX, 1, INT_MAX},
        {"absurd rows", 'x', 1, INT_MAX, 1},
        {"absurd upward pitch", 'x', 1, 2, INT_MIN},
    };
    for (const TCase& c : refused) {
        SCOPED_TRACE(c.iLegend);
        EXPECT_FALSE(font.StoreGlyph(c.iChar, c.iWidth, c.iRows, c.iPitch, 1, 1, 0, 0, bits));
    }
    EXPECT_EQ(font.CacheEntry(font.SlotOf('x')).iCode, 0);

    EXPECT_TRUE(font.EvictSlot(font.SlotOf('v')));
    EXPECT_EQ(font.CacheEntry(font.SlotOf('v')).iCode, 0);
    EXPECT_FALSE(font.EvictSlot(CBitmappedFont::KCacheSize));
}

class CachedFreeTypeFont : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::access(KDejaVuSans, R_OK) != 0) {
            GTEST_SKIP() << KDejaVuSans << " is missing (Debian package fonts-dejavu-core)";
        }
    }

    static std::unique_ptr<CCachedFreeTypeFont> Load(const char* aPath) {
        return std::unique_ptr<CCachedFreeTypeFont>(
            static_cast<CCachedFreeTypeFont*>(LoadCachedFont(aPath, KSize)));
    }
    // A copy of the font that a test may remove.
    static std::string CopyFont(const CTempRoot& aRoot) {
        aRoot.Write("/Sans.ttf", ReadWholeFile(KDejaVuSans));
        return aRoot.Path("/Sans.ttf");
    }
};

TEST_F(CachedFreeTypeFont, DrawsWhatFreeTypeRenders) {
    auto cached = Load(KDejaVuSans);
    ASSERT_NE(cached, nullptr);
    EXPECT_FALSE(cached->IsFaceOpen());  // opened on the first miss only
    CFreeTypeFont live(KDejaVuSans, KSize, false);
    // Up to the space the same glyphs land at the same places; the cache advances a space by
    // its fallback instead.
    const char* text = "Tot.=12345 Gg";
    CMemoryFrameBuffer fromCache(160, 32);
    CMemoryFrameBuffer fromLive(160, 32);
    EXPECT_TRUE(cached->DrawText(&fromCache, text, 2, 3, KInk));
    EXPECT_TRUE(live.DrawText(&fromLive, text, 2, 3, KInk));
    const std::size_t beforeSpace = 2 + live.TextWidth("Tot.=12345");
    const std::vector<std::string> cachedRows = Picture(fromCache);
    const std::vector<std::string> liveRows = Picture(fromLive);
    for (std::size_t y = 0; y < cachedRows.size(); ++y) {
        EXPECT_EQ(cachedRows[y].substr(0, beforeSpace), liveRows[y].substr(0, beforeSpace)) << y;
    }
    EXPECT_GT(InkCount(fromCache), 100);
    for (int c : {'T', 'g', '5', '.'}) {
        EXPECT_EQ(cached->CharWidth(c), live.CharWidth(c)) << c;
        EXPECT_EQ(cached->CharHeight(c), live.CharHeight(c)) << c;
    }
    // No kerning in the cache.
    EXPECT_EQ(cached->TextWidth("To"), cached->CharWidth('T') + cached->CharWidth('o'));
    EXPECT_TRUE(fromCache.GuardsIntact());
}

TEST_F(CachedFreeTypeFont, SpacesAdvanceByLessThanHalfAnM) {
    auto font = Load(KDejaVuSans);
    ASSERT_NE(font, nullptr);
    const int half = CFreeTypeFont(KDejaVuSans, KSize, false).CharWidth('M') / 2;
    const int expected = half > 4 ? half - 2 : half;
    EXPECT_EQ(font->CharWidth(' '), expected);
    EXPECT_TRUE(font->IsKnownMissing(' '));
    EXPECT_EQ(font->CharHeight(' '), 0);
    EXPECT_EQ(font->TextWidth("M M"), 2 * font->CharWidth('M') + expected);
}

TEST_F(CachedFreeTypeFont, ClosesTheFaceAfterMoreThan200HitsAndReopensOnAMiss) {
    const int before = GetFreeTypeManager()->References();
    auto font = Load(KDejaVuSans);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(GetFreeTypeManager()->References(), before);  // the probe has gone
    const int widthOfA = font->CharWidth('A');              // a miss opens the face
    EXPECT_TRUE(font->IsFaceOpen());
    EXPECT_EQ(GetFreeTypeManager()->References(), before + 1);
    for (int hit = 1; hit <= 201; ++hit) {
        ASSERT_EQ(font->CharWidth('A'), widthOfA);
    }
    EXPECT_TRUE(font->IsFaceOpen());
    EXPECT_EQ(font->HitCount(), 201u);
    font->CharWidth('A');  // hit 202
    EXPECT_FALSE(font->IsFaceOpen());
    EXPECT_EQ(GetFreeTypeManager()->References(), before);
    // Hits while closed cost nothing and change nothing.
    EXPECT_EQ(font->CharWidth('A'), widthOfA);
    EXPECT_FALSE(font->IsFaceOpen());

    CFreeTypeFont live(KDejaVuSans, KSize, false);
    EXPECT_EQ(font->CharWidth('B'), live.CharWidth('B'));
    EXPECT_TRUE(font->IsFaceOpen());
    EXPECT_EQ(font->HitCount(), 0u);
    EXPECT_FALSE(font->IsKnownMissing('B'));
}

TEST_F(CachedFreeTypeFont, ARemovedFileLeavesCachedGlyphsDrawable) {
    CTempRoot root;
    const std::string path = CopyFont(root);
    auto font = Load(path.c_str());
    ASSERT_NE(font, nullptr);
    CMemoryFrameBuffer before(32, 32);
    font->DrawChar(&before, 'A', 2, 20, KInk);
    const int space = font->CharWidth(' ');
    while (font->IsFaceOpen()) {
        font->CharWidth('A');
    }
    ASSERT_EQ(::unlink(path.c_str()), 0);

    CMemoryFrameBuffer after(32, 32);
    EXPECT_TRUE(font->DrawChar(&after, 'A', 2, 20, KInk));
    EXPECT_EQ(Picture(after), Picture(before));
    EXPECT_EQ(font->CharWidth('B'), space);  // cannot be loaded any more
    EXPECT_TRUE(font->IsKnownMissing('B'));
    EXPECT_EQ(font->GetMetric(EFontLineHeight), 0);
}

TEST_F(CachedFreeTypeFont, FallbackIsEightPixelsUntilTheFaceHasOpened) {
    CTempRoot root;
    const std::string path = CopyFont(root);
    auto font = Load(path.c_str());
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    EXPECT_EQ(font->CharWidth(' '), CCachedFreeTypeFont::KInitialFallbackAdvance);
    EXPECT_EQ(font->CharWidth('A'), CCachedFreeTypeFont::KInitialFallbackAdvance);
    EXPECT_EQ(font->TextHeight("A"), 0);
}

TEST_F(CachedFreeTypeFont, CollidingCodesReloadEachOther) {
    auto font = Load(KDejaVuSans);
    ASSERT_NE(font, nullptr);
    const int a = 'a';
    const int twin = 'a' + CBitmappedFont::KCacheSize;  // U+0129, i with tilde
    const unsigned slot = font->SlotOf(a);
    ASSERT_EQ(slot, font->SlotOf(twin));
    font->CharWidth(a);
    font->CharWidth(a);
    EXPECT_EQ(font->HitCount(), 1u);
    font->CharWidth(twin);
    EXPECT_EQ(font->CacheEntry(slot).iCode, twin);
    EXPECT_EQ(font->HitCount(), 0u);  // a load starts the count again
    font->CharWidth(a);
    EXPECT_EQ(font->CacheEntry(slot).iCode, a);
    EXPECT_FALSE(font->IsKnownMissing(twin));
}

TEST_F(CachedFreeTypeFont, MetricsComeFromTheFace) {
    auto font = Load(KDejaVuSans);
    ASSERT_NE(font, nullptr);
    CFreeTypeFont live(KDejaVuSans, KSize, false);
    for (int kind : {0, 1, 2, 3, 4, -1}) {
        EXPECT_EQ(font->GetMetric(kind), live.GetMetric(kind)) << kind;
    }
    EXPECT_TRUE(font->IsFaceOpen());
    const TWideChar wide[] = {'A', 'g', 0x129, 0};
    EXPECT_EQ(font->TextWidth(wide), font->TextWidth("Ag") + font->CharWidth(0x129));
    EXPECT_EQ(font->TextHeight(wide), live.TextHeight(wide));
}

TEST_F(CachedFreeTypeFont, LoadCachedFontRefusesWhatIsNoFont) {
    CTempRoot root;
    root.Write("/ArialFont.txt", "Arial 16\n0 0 255\n");
    const std::string text = root.Path("/ArialFont.txt");
    const std::string longPath = "/tmp/" + std::string(PATH_MAX * 2, 'f') + ".ttf";
    struct TCase {
        const char* iLegend;
        const char* iPath;
        int iSize;
    };
    const TCase cases[] = {
        {"missing file", "/nonexistent/skin/Arial.ttf", KSize},
        {"text file", text.c_str(), KSize},
        {"directory", root.Root().c_str(), KSize},
        {"over-long path", longPath.c_str(), KSize},
        {"empty path", "", KSize},
        {"null path", nullptr, KSize},
        {"size 0", KDejaVuSans, 0},
    };
    const int before = GetFreeTypeManager()->References();
    const bool wasOpen = GetFreeTypeManager()->IsOpen();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        MFont* font = LoadCachedFont(c.iPath, c.iSize);
        EXPECT_EQ(font, nullptr);
        delete font;
        EXPECT_EQ(GetFreeTypeManager()->References(), before);
        EXPECT_EQ(GetFreeTypeManager()->IsOpen(), wasOpen);
    }
}

}  // namespace
