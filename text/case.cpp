// ASCII case mapping in character steps: the second byte of a double-byte character is never a
// letter, whatever its value.
#include <utility>

#include "text/text.h"
#include "text/walk.h"

namespace {

// Flips the case of the letters `first` .. `first` + 25.
Text MapCase(Text text, unsigned char first) {
    for (std::size_t i = 0; i < text.size(); i += CharWidth(text[i])) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        text[i] = static_cast<char>(c >= first && c <= first + 25 ? c ^ 0x20 : c);
    }
    return text;
}

}  // namespace

Text ToUpper(Text text) { return MapCase(std::move(text), 'a'); }

Text ToLower(Text text) { return MapCase(std::move(text), 'A'); }
