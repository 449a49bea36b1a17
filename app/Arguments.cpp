#include "app/Arguments.h"

#include <climits>
#include <cstdlib>

#include "platform/FixedString.h"

namespace {

// Beyond this a text is not an argument list but a fault: lengths stay far from int's limit.
constexpr long long KMaxTextSize = 1LL << 30;

}  // namespace

int SdkLength(const char* aText) {
    int length = 0;
    while (aText[length] != '\0' && length < INT_MAX) {
        ++length;
    }
    return length;
}

CCsvArguments::CCsvArguments(char aSeparator) : iSeparator(aSeparator) {
    iInlineText[0] = '\0';
}

CCsvArguments::~CCsvArguments() {
    CCsvArguments::Clear();
}

void CCsvArguments::Clear() {
    std::free(iHeapText);
    iHeapText = nullptr;
    iHeapCapacity = 0;
    std::free(iHeapItems);
    iHeapItems = nullptr;
    iHeapItemsSize = 0;
    iInlineText[0] = '\0';
    iCount = 0;
}

void CCsvArguments::Append(const char* aItem) {
    if (aItem == nullptr) {
        aItem = "";
    }
    // Items of the last Split may point into storage that moves now: they are gone.
    iCount = 0;
    const int itemLength = SdkLength(aItem);
    char* text = Text();
    const int textLength = SdkLength(text);
    // The item, its separator and the NUL after the text.
    const long long needed = static_cast<long long>(textLength) + itemLength + 2;
    if (needed > KMaxTextSize) {
        return;
    }
    if (iHeapText == nullptr && needed > KInlineTextSize) {
        // Items are meant to be shorter than the inline text, so one step suffices for them;
        // a longer one still gets room, in the same steps.
        int capacity = KHeapTextStart;
        while (needed > capacity) {
            capacity += KHeapTextStep;
        }
        char* heap = static_cast<char*>(std::malloc(static_cast<std::size_t>(capacity)));
        if (heap == nullptr) {
            return;
        }
        (void)BoundedCopy(heap, iInlineText, capacity);  // the capacity is above its length
        iHeapText = heap;
        iHeapCapacity = capacity;
    } else if (iHeapText != nullptr && needed > iHeapCapacity) {
        int capacity = iHeapCapacity + KHeapTextStep;
        while (needed > capacity) {
            capacity += KHeapTextStep;
        }
        char* heap =
            static_cast<char*>(std::realloc(iHeapText, static_cast<std::size_t>(capacity)));
        if (heap == nullptr) {
            return;
        }
        iHeapText = heap;
        iHeapCapacity = capacity;
    }
    text = Text() + textLength;
    for (int i = 0; i < itemLength; ++i) {
        text[i] = aItem[i];
    }
    text[itemLength] = iSeparator;
    text[itemLength + 1] = '\0';
}

char* CCsvArguments::GetText() {
    return Text();
}

void CCsvArguments::Split() {
    char* text = Text();
    iCount = 0;
    if (text[0] == '\0') {
        return;
    }
    int pieces = 1;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == iSeparator) {
            ++pieces;
        }
    }
    const char** table = iInlineItems;
    if (pieces > KInlineItems - 1) {
        std::free(iHeapItems);
        iHeapItemsSize = 0;
        const std::size_t size = static_cast<std::size_t>(pieces) * sizeof(const char*);
        iHeapItems = static_cast<const char**>(std::malloc(size));
        if (iHeapItems == nullptr) {
            return;
        }
        iHeapItemsSize = static_cast<int>(size);
        table = iHeapItems;
    }
    int entry = 0;
    table[entry++] = text;
    for (char* p = text; *p != '\0'; ++p) {
        if (*p == iSeparator) {
            *p = '\0';
            table[entry++] = p + 1;
        }
    }
    // What follows the last separator is not an item: a text built by Append ends with one.
    iCount = pieces - 1;
}

int CCsvArguments::Count() const {
    return iCount;
}

const char* CCsvArguments::Get(int aIndex) const {
    if (aIndex < 0 || aIndex >= iCount) {
        return nullptr;
    }
    // Split used the inline table for up to 31 pieces, that is up to 30 items.
    return iCount <= KInlineItems - 2 ? iInlineItems[aIndex] : iHeapItems[aIndex];
}

bool CCsvArguments::Reserve(int aSize) {
    Clear();
    if (aSize < 1) {
        return false;
    }
    char* heap = static_cast<char*>(std::malloc(static_cast<std::size_t>(aSize)));
    if (heap == nullptr) {
        return false;
    }
    // The content is the reader's to fill; an empty text keeps Append and Split safe meanwhile.
    heap[0] = '\0';
    iHeapText = heap;
    iHeapCapacity = aSize;
    return true;
}
