// An argument list built from the input and split again, both as the sender builds it and as
// the receiver reads it into a reserved text. The first byte is the separator (0 stands for
// '|'); the rest are the items, cut at NUL bytes.
//
// Checked: the text is every item followed by the separator; the split gives the pieces of
// that text before its last separator (so an item holding the separator comes back as two);
// Get is null outside the items; the text always fits its storage.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "app/Arguments.h"

namespace {

std::vector<std::string> Pieces(const std::string& aText, char aSeparator) {
    std::vector<std::string> pieces;
    if (aText.empty()) {
        return pieces;
    }
    std::size_t start = 0;
    for (std::size_t cut; (cut = aText.find(aSeparator, start)) != std::string::npos;) {
        pieces.push_back(aText.substr(start, cut - start));
        start = cut + 1;
    }
    return pieces;  // what follows the last separator is not an item
}

void CheckSplit(MArguments& aList, const std::vector<std::string>& aExpected) {
    aList.Split();
    Check(aList.Count() == static_cast<int>(aExpected.size()));
    for (int i = 0; i < aList.Count(); ++i) {
        Check(aList.Get(i) != nullptr && aExpected[static_cast<std::size_t>(i)] == aList.Get(i));
    }
    Check(aList.Get(aList.Count()) == nullptr && aList.Get(-1) == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
    if (aSize == 0) {
        return 0;
    }
    const char separator = aData[0] == 0 ? '|' : static_cast<char>(aData[0]);
    const std::string rest(reinterpret_cast<const char*>(aData) + 1, aSize - 1);

    CCsvArguments* list = SdkNew<CCsvArguments>(true, separator);
    Check(list != nullptr);
    std::string text;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = rest.find('\0', start);
        const std::string item = rest.substr(start, end == std::string::npos ? end : end - start);
        list->Append(item.c_str());
        text += item;
        text += separator;
        const int capacity =
            list->HeapCapacity() > 0 ? list->HeapCapacity() : CCsvArguments::KInlineTextSize;
        Check(static_cast<int>(text.size()) < capacity);
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    Check(text == list->GetText());
    const std::vector<std::string> pieces = Pieces(text, separator);
    CheckSplit(*list, pieces);

    // As Receive reads a message: a reserved text of its size + 1, filled, split.
    const int size = static_cast<int>(text.size()) + 1;
    Check(list->Reserve(size) && list->Count() == 0 && list->HeapCapacity() == size);
    std::memcpy(list->GetText(), text.c_str(), static_cast<std::size_t>(size));
    CheckSplit(*list, pieces);

    MArguments* asInterface = list;
    asInterface->Clear();
    Check(asInterface->Count() == 0 && asInterface->GetText()[0] == '\0');
    asInterface->Append(rest.c_str());
    SdkDelete(asInterface);
    return 0;
}
