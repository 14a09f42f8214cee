#include "dao/GuidFieldText.h"

#include <algorithm>

#include "rtl/Exceptions.h"
#include "rtl/Guid.h"
#include "rtl/Utf8.h"

namespace zalvert {

const std::bitset<256>& GuidChars() {
    static const std::bitset<256> chars = [] {
        std::bitset<256> set;
        for (unsigned char c : std::string_view("-0123456789ABCDEFabcdef{}")) set.set(c);
        return set;
    }();
    return chars;
}

std::string GuidValueText(const TBytes& bytes) {
    if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; })) return {};
    const auto text = GuidToText(bytes);
    return text ? "{guid " + *text + "}" : std::string();
}

std::string GuidDisplayText(std::string_view valueText) {
    std::string text(valueText);
    if (text.starts_with("{guid ")) text.erase(0, 6);
    if (text.ends_with("}}")) text.pop_back();
    return text;
}

TBytes GuidBytesOf(std::string_view valueText) {
    const std::string text = AsciiUpperCase(GuidDisplayText(valueText));
    const auto bytes = TextToGuid(text);
    if (!bytes) throw EConvertError("'" + std::string(valueText) + "' ist keine gültige GUID");
    return *bytes;
}

void InstallGuidTextHandlers(TField& field) {
    field.OnGetText = [](TField& guid, std::string& text, bool) {
        text = guid.IsNull() ? std::string() : GuidToText(guid.AsVariant().AsBytes()).value_or("");
    };
    field.OnSetText = [](TField& guid, const std::string& text) {
        if (text.size() != 38) return;
        const auto bytes = TextToGuid(text);
        if (!bytes) throw EConvertError("'" + text + "' ist keine gültige GUID");
        guid.SetAsVariant(Variant(*bytes));
    };
}

}  // namespace zalvert
