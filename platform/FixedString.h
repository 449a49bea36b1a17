#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// CFixedString: an 8-bit byte string with a fixed capacity that never allocates when it grows.
// Every operation clamps to the capacity and truncates silently; nothing fails.
//
// Three words: the length, the capacity word (bits 0-29 capacity, bit 31 external storage, bit
// 30 always 0) and the storage. With external storage the third word points at the characters
// (a heap string made by New, or a view that owns nothing); otherwise the characters begin in
// the third word itself and run on into the inline buffer of TFixedString<N>.
//
// The characters are not kept NUL-terminated. PtrZ, ZeroTerminate and TerminatePath write a
// NUL after them when a C string is needed, and need one spare byte of capacity for it.
//
// Strings that own their bytes (inline and heap) carry one extra guard byte past the capacity
// that is never written and always 0, so that reading "the byte after the characters" of a
// full string, or of a view that ends where its source ends, stays inside the allocation.
//
// Objects are not copyable (an inline string's bytes do not live in the base); views are
// returned as prvalues, so `CFixedString view = text.Left(3);` works.

constexpr int KMaxFixedStringCapacity = (1 << 30) - 1;

class CFixedString {
  public:
    // ---- Heap strings: one malloc block of header, aCapacity bytes and the guard byte.
    // Null when aCapacity is out of range (negative counts as 0) or the allocation fails.
    static CFixedString* New(int aCapacity);
    // A heap string of capacity aSource.Length() + 1 holding a terminated copy; null on failure.
    static CFixedString* Duplicate(const CFixedString& aSource);
    // Releases a string made by New or Duplicate; null is allowed.
    static void Delete(CFixedString* aString);

    // ---- Views: external storage, own nothing, capacity = their length.
    // A view of a NUL-terminated string (null gives an empty view).
    static CFixedString View(const char* aText);
    // A view of aLength bytes at aBytes (negative counts as 0).
    static CFixedString View(const char* aBytes, int aLength);
    // Parts of this string; counts and positions are clamped to the length, a non-positive
    // position means the start.
    CFixedString Left(int aCount) const;
    CFixedString Right(int aCount) const;
    CFixedString Mid(int aPosition) const;
    CFixedString Mid(int aPosition, int aCount) const;

    CFixedString(const CFixedString&) = delete;
    CFixedString& operator=(const CFixedString&) = delete;

    // ---- Access
    char* Data() { return IsExternal() ? iStorage.iPointer : InlineData(); }
    const char* Data() const { return IsExternal() ? iStorage.iPointer : InlineData(); }
    int Length() const { return iLength; }
    int Capacity() const { return static_cast<int>(iCapacityWord & KCapacityMask); }
    bool IsExternal() const { return (iCapacityWord & KExternalBit) != 0; }
    // No bounds check.
    char At(int aIndex) const { return Data()[aIndex]; }
    void SetAt(int aIndex, char aChar) { Data()[aIndex] = aChar; }
    char operator[](int aIndex) const { return Data()[aIndex]; }
    // Convert one character in place through the upper- or lower-case table (no bounds check).
    void UpperAt(int aIndex);
    void LowerAt(int aIndex);

    // ---- Length and content
    // aLength <= 0: empty; otherwise min(aLength, capacity).
    void SetLength(int aLength);
    void Zero() { iLength = 0; }
    // Fills the characters in use with zero bytes; the length stays.
    void ClearBytes();

    void Assign(const char* aBytes, int aCount);  // overlap allowed
    void Assign(const char* aText);               // NUL-terminated; null assigns nothing
    void Assign(const CFixedString& aOther);
    void Append(const char* aBytes, int aCount);
    void Append(const char* aText);  // NUL-terminated; null appends nothing
    void Append(const CFixedString& aOther);
    // Only when a byte is free.
    void AppendChar(char aChar);
    // Appends aChar aCount times (as far as it fits).
    void AppendFill(char aChar, int aCount);

    // The operation, then PtrZ.
    const char* AssignZ(const char* aBytes, int aCount);
    const char* AssignZ(const char* aText);
    const char* AssignZ(const CFixedString& aOther);
    const char* AppendZ(const char* aBytes, int aCount);
    const char* AppendZ(const char* aText);
    const char* AppendZ(const CFixedString& aOther);

    // ---- Terminating
    // Terminate-and-get: a C string of the characters. Empty: a shared "". When the byte after
    // the characters is already NUL the data is returned as it is (a view of a C string is
    // never written); otherwise a full string loses its last character to the NUL.
    const char* PtrZ();
    // If length >= capacity the last character gives way; a NUL is written after the rest.
    void ZeroTerminate();
    // Terminates for a system call that takes a path: writes a NUL after the characters unless
    // one is already there, or over the last character of a full string (the length stays).
    // False in that last case: the C string then names a shorter path than the string, and a
    // caller must not hand it to the system.
    bool TerminatePath();
    // Copies min(length, aSize - 1) characters and a NUL; nothing when aSize < 1.
    void CopyTo(char* aBuffer, int aSize) const;

    // ---- Numbers
    // Skips spaces and tabs, takes an optional '-' or '+' and the decimal digits up to the
    // first non-digit. No digits give 0. *aEnd (when given) receives the index after the last
    // digit, or 0 when there was no digit. Overflow wraps (32-bit two's complement).
    int ToInt(int* aEnd = nullptr) const;
    // Empties the string, then '-' for a negative value and the magnitude in decimal.
    void SetNum(int aValue);
    // Appends aValue in aBase (2 to 36; any other base appends nothing), digits 0-9 then a-z,
    // most significant first, one by one (so cut at the capacity).
    void AppendNum(std::uint32_t aValue, int aBase);

    // ---- Editing
    // Spaces and tabs.
    void TrimLeft();
    void TrimRight();
    void Trim();
    // Inserts at aPosition (clamped to 0..length) as much of aOther as the free space takes;
    // aOther may be this string or a view into it.
    void Insert(int aPosition, const CFixedString& aOther);
    void Insert(int aPosition, const char* aBytes, int aCount);
    // Only when one byte is free.
    void InsertChar(int aPosition, char aChar);
    // Removes aCount characters at aPosition (aCount clamped to length - position; nothing for
    // a position outside 0..length-1 or a non-positive count).
    void Remove(int aPosition, int aCount);

    // ---- Comparing and searching
    // Byte by byte, unsigned: the first difference gives this - other; a proper prefix is
    // smaller (-1 or 1); equal gives 0.
    int Compare(const CFixedString& aOther) const;
    // As Compare, through the upper-case table.
    int CompareIgnoreCase(const CFixedString& aOther) const;
    // As Compare, through the fold table (case- and accent-free).
    int CompareFolded(const CFixedString& aOther) const;
    // First / last index of the byte, or -1.
    int Locate(char aChar) const;
    int LocateReverse(char aChar) const;
    // First index of aOther; -1 when aOther is empty or longer than this string.
    int Find(const CFixedString& aOther) const;
    // First index where aCount bytes match through the fold table; 0 for an empty needle, -1
    // when none.
    int FindFolded(const char* aBytes, int aCount) const;

    // ---- Whole-string conversions
    void ToUpper();
    void ToLower();
    void Fold();
    // Lower case, then the first character upper case.
    void Capitalize();

    // ---- Formatting: FormatToString into the storage with the whole capacity as the limit
    // (so at most capacity - 1 characters); the length becomes the count written.
    void Format(const char* aFormat, ...) __attribute__((format(printf, 2, 3)));
    void FormatList(const char* aFormat, std::va_list aArguments);

  protected:
    // For TFixedString<N>: inline storage of aCapacity bytes (plus the guard byte).
    explicit CFixedString(int aCapacity);

  private:
    static constexpr std::uint32_t KCapacityMask = 0x3FFFFFFFu;
    static constexpr std::uint32_t KExternalBit = 0x80000000u;

    // External storage.
    CFixedString(char* aBytes, int aLength, int aCapacity);

    char* InlineData() { return reinterpret_cast<char*>(&iStorage); }
    const char* InlineData() const { return reinterpret_cast<const char*>(&iStorage); }
    // Inline, or a heap string whose bytes follow its header: the guard byte is ours.
    bool OwnsStorage() const;

    std::int32_t iLength = 0;
    std::uint32_t iCapacityWord = 0;
    union {
        char* iPointer;
        char iFirst[sizeof(char*)];
    } iStorage;
};

// A CFixedString with inline storage of KCapacity bytes, e.g. TFixedString<256> for a path.
template <int KCapacity>
class TFixedString : public CFixedString {
    static_assert(KCapacity >= 1 && KCapacity <= KMaxFixedStringCapacity, "capacity");

  public:
    TFixedString() : CFixedString(KCapacity) {}
    explicit TFixedString(const char* aText) : CFixedString(KCapacity) { Assign(aText); }
    TFixedString(const TFixedString& aOther) : CFixedString(KCapacity) { Assign(aOther); }
    TFixedString& operator=(const TFixedString& aOther) {
        if (this != &aOther) {
            Assign(aOther);
        }
        return *this;
    }

  private:
    // The characters run on from the base's storage word into this buffer; the last byte is
    // the guard and stays 0.
    static constexpr int KRest = KCapacity > static_cast<int>(sizeof(char*))
                                     ? KCapacity - static_cast<int>(sizeof(char*))
                                     : 0;
    char iRest[KRest + 1] = {};
};

// ---- Character tables: 256 entries each, indexed by the unsigned byte value.
extern const unsigned char (&KUpperTable)[256];
extern const unsigned char (&KLowerTable)[256];
// Case- and accent-free comparison and search.
extern const unsigned char (&KFoldTable)[256];

inline char UpperChar(char aChar) {
    return static_cast<char>(KUpperTable[static_cast<unsigned char>(aChar)]);
}
inline char LowerChar(char aChar) {
    return static_cast<char>(KLowerTable[static_cast<unsigned char>(aChar)]);
}
inline char FoldChar(char aChar) {
    return static_cast<char>(KFoldTable[static_cast<unsigned char>(aChar)]);
}

// ---- Character classes, ASCII only.
inline bool IsDigit(char aChar) {
    return aChar >= '0' && aChar <= '9';
}
inline bool IsUpper(char aChar) {
    return aChar >= 'A' && aChar <= 'Z';
}
inline bool IsLower(char aChar) {
    return aChar >= 'a' && aChar <= 'z';
}
inline bool IsLetter(char aChar) {
    return IsUpper(aChar) || IsLower(aChar);
}

// ---- Bounded helpers on C strings.
// Nothing when aSize < 1; otherwise copies at most aSize - 1 bytes and always writes a NUL at
// index aSize - 1 (a shorter source is followed by its own NUL as well). False when the source
// had to be cut; a null source copies as an empty one.
bool BoundedCopy(char* aDestination, const char* aSource, int aSize);
// Reads the integer at aText as %d does (leading white space, optional sign), refusing values
// that do not fit an int. Advances aText past it.
bool ParseInt(const char*& aText, int& aValue);
