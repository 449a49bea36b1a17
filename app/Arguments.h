#pragma once

#include <cstdlib>
#include <new>
#include <utility>

// The argument list of the messaging layer: items, each followed by a separator, built one by
// one before sending and cut back into items after receiving. There is no quoting: an item
// that holds the separator comes back as two items.

class MArguments {
  public:
    virtual ~MArguments() = default;
    // Empties the text and releases any heap storage.
    virtual void Clear() = 0;
    // Appends the item and one separator; nothing is appended when memory runs out.
    virtual void Append(const char* aItem) = 0;
    // The current text storage, which Receive also reads a message into.
    virtual char* GetText() = 0;
    // Cuts the text into items; the items point into the text until the next change of it.
    virtual void Split() = 0;
    // Number of items found by the last Split; 0 before it and after Clear.
    virtual int Count() const = 0;
    // Item aIndex of the last Split, null outside 0 <= aIndex < Count().
    virtual const char* Get(int aIndex) const = 0;
    // Clears, then gives the text aSize bytes of heap storage; false (and empty) when memory
    // runs out.
    virtual bool Reserve(int aSize) = 0;
};

// Base of the messaging objects, which live in malloc'd memory (see SdkNew and SdkDelete).
class CSdkBase {
  public:
    virtual ~CSdkBase() = default;
};

// Constructs a T in malloc'd memory, zero-filled first when aZeroFill is set; null when memory
// runs out.
template <class T, class... TArgs>
T* SdkNew(bool aZeroFill, TArgs&&... aArgs) {
    void* memory = aZeroFill ? std::calloc(1, sizeof(T)) : std::malloc(sizeof(T));
    if (memory == nullptr) {
        return nullptr;
    }
    return new (memory) T(std::forward<TArgs>(aArgs)...);
}

// Destroys an object made by SdkNew through any of its polymorphic bases and frees its memory.
template <class T>
void SdkDelete(T* aObject) {
    if (aObject == nullptr) {
        return;
    }
    // The memory starts at the complete object, which need not be where a base sits.
    void* whole = dynamic_cast<void*>(aObject);
    aObject->~T();
    std::free(whole);
}

class CCsvArguments : public MArguments, public CSdkBase {
  public:
    explicit CCsvArguments(char aSeparator);
    ~CCsvArguments() override;
    CCsvArguments(const CCsvArguments&) = delete;
    CCsvArguments& operator=(const CCsvArguments&) = delete;

    void Clear() override;
    void Append(const char* aItem) override;
    char* GetText() override;
    void Split() override;
    int Count() const override;
    const char* Get(int aIndex) const override;
    bool Reserve(int aSize) override;

    static constexpr int KInlineTextSize = 1024;
    static constexpr int KInlineItems = 32;
    static constexpr int KHeapTextStart = 2048;  // first heap text when the inline one is full
    static constexpr int KHeapTextStep = 1024;   // each growth after that

    // Heap storage sizes in bytes, 0 while the inline storage is used.
    int HeapCapacity() const { return iHeapCapacity; }
    int HeapItemsSize() const { return iHeapItemsSize; }

  private:
    char* Text() { return iHeapText != nullptr ? iHeapText : iInlineText; }

    // Left uninitialised but for the first byte: the lists are made in zero-filled memory.
    char iInlineText[KInlineTextSize];
    char* iHeapText = nullptr;
    int iHeapCapacity = 0;
    const char* iInlineItems[KInlineItems];
    const char** iHeapItems = nullptr;
    int iHeapItemsSize = 0;
    int iCount = 0;
    char iSeparator;
};

// The messaging layer's own string routines.
int SdkLength(const char* aText);
