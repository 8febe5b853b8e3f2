// ASCII case mapping in character steps: the second byte of a double-byte character is never a
// letter, whatever its value.
#include <utility>

#include "text/text.h"
#include "text/walk.h"

namespace {

// Flips the case of the letters `first` .. `first` + 25. The bytes go through a pointer of their
// own: as far as the compiler can tell, a byte written through the string might change the
// string's own size and pointer, which it would then read again for every byte.
Text MapCase(Text text, unsigned char first) {
    char* const bytes = text.data();
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; i += CharWidth(bytes[i])) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const bool letter = static_cast<unsigned char>(c - first) < 26;
        bytes[i] = static_cast<char>(c ^ (letter << 5));
    }
    return text;
}

}  // namespace

Text ToUpper(Text text) { return MapCase(std::move(text), 'a'); }

Text ToLower(Text text) { return MapCase(std::move(text), 'A'); }
