#include "platform/FixedString.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/FormatToString.h"

// Three words: on the device 12 bytes, on a 64-bit host 16 (the pointer is wider). The inline
// characters of TFixedString<N> begin in the third word and run on into its buffer without a
// gap, which holds when the base has no tail padding.
static_assert(sizeof(CFixedString) == 8 + sizeof(char*), "three-word layout");
static_assert(sizeof(TFixedString<256>) >= sizeof(CFixedString) + 256 + 1 - sizeof(char*),
              "inline storage");

namespace {

const char KEmpty[1] = {0};

int Clamp(int aValue, int aLow, int aHigh) {
    return aValue < aLow ? aLow : (aValue > aHigh ? aHigh : aValue);
}

bool IsBlank(char aChar) {
    return aChar == ' ' || aChar == '\t';
}

// Compare through a 256-entry table (identity when null).
int CompareThrough(const unsigned char* aTable, const char* aLeft, int aLeftLength,
                   const char* aRight, int aRightLength) {
    const int common = aLeftLength < aRightLength ? aLeftLength : aRightLength;
    for (int i = 0; i < common; ++i) {
        int left = static_cast<unsigned char>(aLeft[i]);
        int right = static_cast<unsigned char>(aRight[i]);
        if (aTable != nullptr) {
            left = aTable[left];
            right = aTable[right];
        }
        if (left != right) {
            return left - right;
        }
    }
    if (aLeftLength == aRightLength) {
        return 0;
    }
    return aLeftLength < aRightLength ? -1 : 1;
}

}  // namespace

// ---- Construction

CFixedString::CFixedString(int aCapacity)
    : iCapacityWord(static_cast<std::uint32_t>(aCapacity) & KCapacityMask) {
    // Bytes of the storage word past a small capacity serve as its guard: keep them 0.
    std::memset(&iStorage, 0, sizeof iStorage);
}

CFixedString::CFixedString(char* aBytes, int aLength, int aCapacity)
    : iLength(aLength),
      iCapacityWord((static_cast<std::uint32_t>(aCapacity) & KCapacityMask) | KExternalBit) {
    iStorage.iPointer = aBytes;
}

CFixedString* CFixedString::New(int aCapacity) {
    if (aCapacity < 0) {
        aCapacity = 0;
    }
    if (aCapacity > KMaxFixedStringCapacity) {
        return nullptr;
    }
    const std::size_t bytes = sizeof(CFixedString) + static_cast<std::size_t>(aCapacity) + 1;
    void* block = std::malloc(bytes);
    if (block == nullptr) {
        return nullptr;
    }
    char* characters = static_cast<char*>(block) + sizeof(CFixedString);
    characters[aCapacity] = '\0';  // the guard byte
    return new (block) CFixedString(characters, 0, aCapacity);
}

CFixedString* CFixedString::Duplicate(const CFixedString& aSource) {
    if (aSource.Length() >= KMaxFixedStringCapacity) {
        return nullptr;
    }
    CFixedString* copy = New(aSource.Length() + 1);
    if (copy != nullptr) {
        copy->AssignZ(aSource);
    }
    return copy;
}

void CFixedString::Delete(CFixedString* aString) {
    if (aString != nullptr) {
        aString->~CFixedString();
        std::free(aString);
    }
}

CFixedString CFixedString::View(const char* aText) {
    if (aText == nullptr) {
        return CFixedString(const_cast<char*>(KEmpty), 0, 0);
    }
    const int length = static_cast<int>(std::strlen(aText));
    return CFixedString(const_cast<char*>(aText), length, length);
}

CFixedString CFixedString::View(const char* aBytes, int aLength) {
    if (aBytes == nullptr || aLength <= 0) {
        return CFixedString(const_cast<char*>(KEmpty), 0, 0);
    }
    if (aLength > KMaxFixedStringCapacity) {
        aLength = KMaxFixedStringCapacity;
    }
    return CFixedString(const_cast<char*>(aBytes), aLength, aLength);
}

CFixedString CFixedString::Left(int aCount) const {
    return Mid(0, aCount);
}

CFixedString CFixedString::Right(int aCount) const {
    const int count = Clamp(aCount, 0, iLength);
    return Mid(iLength - count, count);
}

CFixedString CFixedString::Mid(int aPosition) const {
    return Mid(aPosition, iLength);
}

CFixedString CFixedString::Mid(int aPosition, int aCount) const {
    const int position = Clamp(aPosition, 0, iLength);
    const int count = Clamp(aCount, 0, iLength - position);
    return CFixedString(const_cast<char*>(Data()) + position, count, count);
}

bool CFixedString::OwnsStorage() const {
    return !IsExternal() ||
           iStorage.iPointer == reinterpret_cast<const char*>(this) + sizeof(CFixedString);
}

// ---- Access

void CFixedString::UpperAt(int aIndex) {
    SetAt(aIndex, UpperChar(At(aIndex)));
}

void CFixedString::LowerAt(int aIndex) {
    SetAt(aIndex, LowerChar(At(aIndex)));
}

// ---- Length and content

void CFixedString::SetLength(int aLength) {
    iLength = Clamp(aLength, 0, Capacity());
}

void CFixedString::ClearBytes() {
    if (iLength > 0) {
        std::memset(Data(), 0, static_cast<std::size_t>(iLength));
    }
}

void CFixedString::Assign(const char* aBytes, int aCount) {
    const int count = aBytes == nullptr ? 0 : Clamp(aCount, 0, Capacity());
    if (count > 0) {
        std::memmove(Data(), aBytes, static_cast<std::size_t>(count));
    }
    iLength = count;
}

void CFixedString::Assign(const char* aText) {
    if (aText != nullptr) {
        const std::size_t length = std::strlen(aText);
        Assign(aText, length > static_cast<std::size_t>(KMaxFixedStringCapacity)
                          ? KMaxFixedStringCapacity
                          : static_cast<int>(length));
    }
}

void CFixedString::Assign(const CFixedString& aOther) {
    Assign(aOther.Data(), aOther.Length());
}

void CFixedString::Append(const char* aBytes, int aCount) {
    const int count = aBytes == nullptr ? 0 : Clamp(aCount, 0, Capacity() - iLength);
    if (count > 0) {
        std::memmove(Data() + iLength, aBytes, static_cast<std::size_t>(count));
        iLength += count;
    }
}

void CFixedString::Append(const char* aText) {
    if (aText != nullptr) {
        // Never more than the free space is read, so an unterminated source is safe up to it.
        const int free = Capacity() - iLength;
        const void* end = std::memchr(aText, '\0', static_cast<std::size_t>(free));
        Append(aText,
               end == nullptr ? free : static_cast<int>(static_cast<const char*>(end) - aText));
    }
}

void CFixedString::Append(const CFixedString& aOther) {
    Append(aOther.Data(), aOther.Length());
}

void CFixedString::AppendChar(char aChar) {
    if (iLength < Capacity()) {
        Data()[iLength++] = aChar;
    }
}

void CFixedString::AppendFill(char aChar, int aCount) {
    const int count = Clamp(aCount, 0, Capacity() - iLength);
    if (count > 0) {
        std::memset(Data() + iLength, static_cast<unsigned char>(aChar),
                    static_cast<std::size_t>(count));
        iLength += count;
    }
}

const char* CFixedString::AssignZ(const char* aBytes, int aCount) {
    Assign(aBytes, aCount);
    return PtrZ();
}

const char* CFixedString::AssignZ(const char* aText) {
    Assign(aText);
    return PtrZ();
}

const char* CFixedString::AssignZ(const CFixedString& aOther) {
    Assign(aOther);
    return PtrZ();
}

const char* CFixedString::AppendZ(const char* aBytes, int aCount) {
    Append(aBytes, aCount);
    return PtrZ();
}

const char* CFixedString::AppendZ(const char* aText) {
    Append(aText);
    return PtrZ();
}

const char* CFixedString::AppendZ(const CFixedString& aOther) {
    Append(aOther);
    return PtrZ();
}

// ---- Terminating

const char* CFixedString::PtrZ() {
    if (iLength <= 0) {
        return KEmpty;
    }
    char* data = Data();
    const int capacity = Capacity();
    // A full string that owns its bytes never looks past them: its NUL takes the last place.
    // A view does look, since that byte is the NUL of the C string it shows.
    if ((iLength < capacity || !OwnsStorage()) && data[iLength] == '\0') {
        return data;
    }
    if (iLength > capacity - 1) {
        iLength = capacity - 1;
    }
    data[iLength] = '\0';
    return iLength == 0 ? KEmpty : data;
}

void CFixedString::ZeroTerminate() {
    const int capacity = Capacity();
    if (capacity == 0) {
        iLength = 0;
        return;
    }
    if (iLength >= capacity) {
        iLength = capacity - 1;
    }
    Data()[iLength] = '\0';
}

bool CFixedString::TerminatePath() {
    const int capacity = Capacity();
    if (capacity == 0) {
        return true;  // no byte to write; a view of "" is already followed by its NUL
    }
    char* data = Data();
    if (iLength < capacity) {
        data[iLength] = '\0';
        return true;
    }
    if (!OwnsStorage() && data[iLength] == '\0') {
        return true;
    }
    data[capacity - 1] = '\0';
    return false;
}

void CFixedString::CopyTo(char* aBuffer, int aSize) const {
    if (aBuffer == nullptr || aSize < 1) {
        return;
    }
    const int count = iLength < aSize - 1 ? iLength : aSize - 1;
    if (count > 0) {
        std::memcpy(aBuffer, Data(), static_cast<std::size_t>(count));
    }
    aBuffer[count] = '\0';
}

// ---- Numbers

int CFixedString::ToInt(int* aEnd) const {
    const char* data = Data();
    int index = 0;
    while (index < iLength && IsBlank(data[index])) {
        ++index;
    }
    bool negative = false;
    if (index < iLength && (data[index] == '-' || data[index] == '+')) {
        negative = data[index] == '-';
        ++index;
    }
    const int firstDigit = index;
    std::uint32_t value = 0;
    while (index < iLength && IsDigit(data[index])) {
        value = value * 10u + static_cast<std::uint32_t>(data[index] - '0');
        ++index;
    }
    if (aEnd != nullptr) {
        *aEnd = index > firstDigit ? index : 0;
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<int>(value);
}

void CFixedString::SetNum(int aValue) {
    iLength = 0;
    std::uint32_t magnitude = static_cast<std::uint32_t>(aValue);
    if (aValue < 0) {
        AppendChar('-');
        magnitude = 0u - magnitude;
    }
    AppendNum(magnitude, 10);
}

void CFixedString::AppendNum(std::uint32_t aValue, int aBase) {
    if (aBase < 2 || aBase > 36) {
        return;
    }
    static const char KDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    char digits[32];  // base 2 needs 32
    int count = 0;
    do {
        digits[count++] = KDigits[aValue % static_cast<std::uint32_t>(aBase)];
        aValue /= static_cast<std::uint32_t>(aBase);
    } while (aValue != 0);
    while (count > 0) {
        AppendChar(digits[--count]);
    }
}

// ---- Editing

void CFixedString::TrimLeft() {
    const char* data = Data();
    int start = 0;
    while (start < iLength && IsBlank(data[start])) {
        ++start;
    }
    Remove(0, start);
}

void CFixedString::TrimRight() {
    const char* data = Data();
    while (iLength > 0 && IsBlank(data[iLength - 1])) {
        --iLength;
    }
}

void CFixedString::Trim() {
    TrimRight();
    TrimLeft();
}

void CFixedString::Insert(int aPosition, const CFixedString& aOther) {
    Insert(aPosition, aOther.Data(), aOther.Length());
}

void CFixedString::Insert(int aPosition, const char* aBytes, int aCount) {
    const int count = aBytes == nullptr ? 0 : Clamp(aCount, 0, Capacity() - iLength);
    if (count == 0) {
        return;
    }
    const int position = Clamp(aPosition, 0, iLength);
    char* data = Data();
    // Remember where the source lies before the tail moves: it may be this string's own bytes.
    const bool inside = aBytes >= data && aBytes < data + iLength;
    const int sourceIndex = inside ? static_cast<int>(aBytes - data) : 0;
    std::memmove(data + position + count, data + position,
                 static_cast<std::size_t>(iLength - position));
    if (inside) {
        // Bytes before the gap stayed put, bytes at or after it moved right by count; the gap
        // is written front to back and never overtakes a byte still to be read.
        for (int i = 0; i < count; ++i) {
            const int from = sourceIndex + i;
            data[position + i] = from < position ? data[from] : data[from + count];
        }
    } else {
        std::memmove(data + position, aBytes, static_cast<std::size_t>(count));
    }
    iLength += count;
}

void CFixedString::InsertChar(int aPosition, char aChar) {
    Insert(aPosition, &aChar, 1);
}

void CFixedString::Remove(int aPosition, int aCount) {
    if (aPosition < 0 || aPosition >= iLength || aCount <= 0) {
        return;
    }
    const int count = aCount < iLength - aPosition ? aCount : iLength - aPosition;
    char* data = Data();
    std::memmove(data + aPosition, data + aPosition + count,
                 static_cast<std::size_t>(iLength - aPosition - count));
    iLength -= count;
}

// ---- Comparing and searching

int CFixedString::Compare(const CFixedString& aOther) const {
    return CompareThrough(nullptr, Data(), iLength, aOther.Data(), aOther.Length());
}

int CFixedString::CompareIgnoreCase(const CFixedString& aOther) const {
    return CompareThrough(KUpperTable, Data(), iLength, aOther.Data(), aOther.Length());
}

int CFixedString::CompareFolded(const CFixedString& aOther) const {
    return CompareThrough(KFoldTable, Data(), iLength, aOther.Data(), aOther.Length());
}

int CFixedString::Locate(char aChar) const {
    if (iLength <= 0) {
        return -1;
    }
    const void* found =
        std::memchr(Data(), static_cast<unsigned char>(aChar), static_cast<std::size_t>(iLength));
    return found == nullptr ? -1 : static_cast<int>(static_cast<const char*>(found) - Data());
}

int CFixedString::LocateReverse(char aChar) const {
    const char* data = Data();
    for (int i = iLength - 1; i >= 0; --i) {
        if (data[i] == aChar) {
            return i;
        }
    }
    return -1;
}

int CFixedString::Find(const CFixedString& aOther) const {
    const int count = aOther.Length();
    if (count <= 0 || count > iLength) {
        return -1;
    }
    const char* data = Data();
    const char* needle = aOther.Data();
    for (int i = 0; i + count <= iLength; ++i) {
        if (data[i] == needle[0] &&
            std::memcmp(data + i, needle, static_cast<std::size_t>(count)) == 0) {
            return i;
        }
    }
    return -1;
}

int CFixedString::FindFolded(const char* aBytes, int aCount) const {
    if (aBytes == nullptr || aCount <= 0) {
        return 0;
    }
    if (aCount > iLength) {
        return -1;
    }
    const char* data = Data();
    for (int i = 0; i + aCount <= iLength; ++i) {
        int matched = 0;
        while (matched < aCount && FoldChar(data[i + matched]) == FoldChar(aBytes[matched])) {
            ++matched;
        }
        if (matched == aCount) {
            return i;
        }
    }
    return -1;
}

// ---- Whole-string conversions

void CFixedString::ToUpper() {
    char* data = Data();
    for (int i = 0; i < iLength; ++i) {
        data[i] = UpperChar(data[i]);
    }
}

void CFixedString::ToLower() {
    char* data = Data();
    for (int i = 0; i < iLength; ++i) {
        data[i] = LowerChar(data[i]);
    }
}

void CFixedString::Fold() {
    char* data = Data();
    for (int i = 0; i < iLength; ++i) {
        data[i] = FoldChar(data[i]);
    }
}

void CFixedString::Capitalize() {
    ToLower();
    if (iLength > 0) {
        UpperAt(0);
    }
}

// ---- Formatting

void CFixedString::Format(const char* aFormat, ...) {
    std::va_list arguments;
    va_start(arguments, aFormat);
    FormatList(aFormat, arguments);
    va_end(arguments);
}

void CFixedString::FormatList(const char* aFormat, std::va_list aArguments) {
    iLength = FormatToStringList(Data(), Capacity(), aFormat, aArguments);
}

// ---- Character tables

namespace {

struct TCharTables {
    unsigned char iUpper[256];
    unsigned char iLower[256];
    unsigned char iFold[256];
};

constexpr TCharTables MakeTables() {
    TCharTables tables{};
    for (int c = 0; c < 256; ++c) {
        tables.iUpper[c] = static_cast<unsigned char>(c);
        tables.iLower[c] = static_cast<unsigned char>(c);
        tables.iFold[c] = static_cast<unsigned char>(c);
    }
    // Upper and lower case: ASCII, the Latin-1 letters 0xC0-0xDE / 0xE0-0xFE (the pair
    // 0xD7 / 0xF7 included, as the code page's case mapping has it) and the ligature pair
    // 0xBD / 0xBE.
    for (int c = 'a'; c <= 'z'; ++c) {
        tables.iUpper[c] = static_cast<unsigned char>(c - 0x20);
        tables.iLower[c - 0x20] = static_cast<unsigned char>(c);
    }
    for (int c = 0xE0; c <= 0xFE; ++c) {
        tables.iUpper[c] = static_cast<unsigned char>(c - 0x20);
        tables.iLower[c - 0x20] = static_cast<unsigned char>(c);
    }
    tables.iUpper[0xBE] = 0xBD;
    tables.iLower[0xBD] = 0xBE;

    // Fold: upper case without accents, so that names match however they were typed.
    for (int c = 'a'; c <= 'z'; ++c) {
        tables.iFold[c] = static_cast<unsigned char>(c - 0x20);
    }
    tables.iFold[static_cast<unsigned char>('-')] = ' ';
    tables.iFold[0x82] = ',';
    tables.iFold[0x8A] = 'S';
    tables.iFold[0x9A] = 'S';
    tables.iFold[0xDF] = 'S';
    tables.iFold[0x9C] = 0x8C;
    tables.iFold[0x9F] = 'Y';
    tables.iFold[0xDD] = 'Y';
    tables.iFold[0xFD] = 'Y';
    tables.iFold[0xFF] = 'Y';
    tables.iFold[0xBD] = 'L';
    tables.iFold[0xBE] = 'L';
    struct TRange {
        int iFirst;
        int iLast;
        unsigned char iTo;
    };
    const TRange ranges[] = {
        {0xC0, 0xC6, 'A'}, {0xE0, 0xE6, 'A'}, {0xC7, 0xC7, 'C'}, {0xE7, 0xE7, 'C'},
        {0xC8, 0xCB, 'E'}, {0xE8, 0xEB, 'E'}, {0xCC, 0xCF, 'I'}, {0xEC, 0xEF, 'I'},
        {0xD1, 0xD1, 'N'}, {0xF1, 0xF1, 'N'}, {0xD2, 0xD6, 'O'}, {0xD8, 0xD8, 'O'},
        {0xF2, 0xF6, 'O'}, {0xF8, 0xF8, 'O'}, {0xD9, 0xDC, 'U'}, {0xF9, 0xFC, 'U'},
    };
    for (const TRange& range : ranges) {
        for (int c = range.iFirst; c <= range.iLast; ++c) {
            tables.iFold[c] = range.iTo;
        }
    }
    tables.iFold[0xF0] = 0xD0;
    tables.iFold[0xFE] = 0xDE;
    return tables;
}

constexpr TCharTables KTables = MakeTables();

}  // namespace

const unsigned char (&KUpperTable)[256] = KTables.iUpper;
const unsigned char (&KLowerTable)[256] = KTables.iLower;
const unsigned char (&KFoldTable)[256] = KTables.iFold;

// ---- Bounded helpers

bool BoundedCopy(char* aDestination, const char* aSource, int aSize) {
    const char* source = aSource != nullptr ? aSource : "";
    if (aDestination == nullptr || aSize < 1) {
        return source[0] == '\0';
    }
    int i = 0;
    for (; i < aSize - 1 && source[i] != '\0'; ++i) {
        aDestination[i] = source[i];
    }
    aDestination[i] = '\0';
    aDestination[aSize - 1] = '\0';
    return source[i] == '\0';
}

bool ParseInt(const char*& aText, int& aValue) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(aText, &end, 10);
    if (end == aText || errno == ERANGE || value < INT_MIN || value > INT_MAX) {
        return false;
    }
    aValue = static_cast<int>(value);
    aText = end;
    return true;
}
