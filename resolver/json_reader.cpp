#include "resolver/json_reader.h"

#include <string_view>

namespace {

constexpr int DEEPEST_NESTING = 64;

// Reads one document left to right; every reader returns false at the first byte that breaks
// the grammar, and the document is then refused whole.
struct Reader {
    std::string_view in;
    std::size_t at = 0;

    bool AtEnd() const { return at >= in.size(); }
    char Peek() const { return AtEnd() ? '\0' : in[at]; }

    void SkipBlanks() {
        while (!AtEnd() && (in[at] == ' ' || in[at] == '\t' || in[at] == '\n' || in[at] == '\r')) ++at;
    }

    bool Take(char c) {
        if (Peek() != c || AtEnd()) return false;
        ++at;
        return true;
    }

    bool TakeWord(std::string_view word) {
        if (in.substr(at, word.size()) != word) return false;
        at += word.size();
        return true;
    }

    int HexDigit() {
        const char c = Peek();
        int value = -1;
        if (c >= '0' && c <= '9') value = c - '0';
        if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
        if (value >= 0) ++at;
        return value;
    }

    bool Hex4(unsigned& unit) {
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = HexDigit();
            if (digit < 0) return false;
            unit = unit * 16 + static_cast<unsigned>(digit);
        }
        return true;
    }

    static void AppendUtf8(Text& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool Escape(Text& out) {
        static constexpr std::string_view ESCAPE_LETTERS = "\"\\/bfnrt", ESCAPED_BYTES = "\"\\/\b\f\n\r\t";
        const std::size_t simple = ESCAPE_LETTERS.find(Peek());
        if (!AtEnd() && simple != std::string_view::npos) {
            ++at;
            out += ESCAPED_BYTES[simple];
            return true;
        }
        unsigned unit = 0;
        if (!Take('u') || !Hex4(unit)) return false;
        if (unit >= 0xDC00 && unit <= 0xDFFF) return false;  // a second half without a first
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            unsigned low = 0;
            if (!TakeWord("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, unit);
        return true;
    }

    // One UTF-8 character of two to four bytes, shortest form, no surrogates, at most U+10FFFF.
    bool MultiByteCharacter(Text& out) {
        const auto lead = static_cast<unsigned char>(in[at]);
        const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || lead > 0xF4 || at + length > in.size()) return false;
        unsigned code = lead & (0x7F >> length);
        for (int i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(in[at + i]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr unsigned SMALLEST[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < SMALLEST[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        out.append(in.substr(at, length));
        at += length;
        return true;
    }

    bool String(Text& out) {
        if (!Take('"')) return false;
        while (!AtEnd()) {
            const auto c = static_cast<unsigned char>(in[at]);
            if (c == '"') {
                ++at;
                return true;
            }
            if (c < 0x20) return false;
            if (c == '\\') {
                ++at;
                if (!Escape(out)) return false;
            } else if (c >= 0x80) {
                if (!MultiByteCharacter(out)) return false;
            } else {
                out += static_cast<char>(c);
                ++at;
            }
        }
        return false;
    }

    bool Digits() {
        const std::size_t start = at;
        while (Peek() >= '0' && Peek() <= '9' && !AtEnd()) ++at;
        return at > start;
    }

    bool Number() {
        Take('-');
        if (Peek() == '0') {
            ++at;
        } else if (!Digits()) {
            return false;
        }
        if (Take('.') && !Digits()) return false;
        if (Peek() == 'e' || Peek() == 'E') {
            ++at;
            if (!Take('+')) Take('-');
            if (!Digits()) return false;
        }
        return true;
    }

    // A value of any kind; `found` gets the string value of the member `name` when `depth` is 0
    // and the value is the top-level object.
    bool Value(int depth, const Text* name, std::optional<Text>* found) {
        if (depth >= DEEPEST_NESTING) return false;
        SkipBlanks();
        const char c = Peek();
        bool read = false;
        if (c == '{') {
            read = Object(depth, name, found);
        } else if (c == '[') {
            read = Array(depth);
        } else if (c == '"') {
            Text ignored;
            read = String(ignored);
        } else if (c == 't') {
            read = TakeWord("true");
        } else if (c == 'f') {
            read = TakeWord("false");
        } else if (c == 'n') {
            read = TakeWord("null");
        } else {
            read = Number();
        }
        SkipBlanks();
        return read;
    }

    bool Object(int depth, const Text* name, std::optional<Text>* found) {
        ++at;
        SkipBlanks();
        if (Take('}')) return true;
        do {
            SkipBlanks();
            Text key;
            if (!String(key)) return false;
            SkipBlanks();
            if (!Take(':')) return false;
            SkipBlanks();
            if (found && !*found && key == *name && Peek() == '"') {
                Text value;
                if (!String(value)) return false;
                *found = std::move(value);
                SkipBlanks();
            } else if (!Value(depth + 1, nullptr, nullptr)) {
                return false;
            }
        } while (Take(','));
        return Take('}');
    }

    bool Array(int depth) {
        ++at;
        SkipBlanks();
        if (Take(']')) return true;
        do {
            if (!Value(depth + 1, nullptr, nullptr)) return false;
        } while (Take(','));
        return Take(']');
    }
};

}  // namespace

std::optional<Text> JsonStringMember(const Text& json, const Text& name) {
    Reader reader{json};
    reader.SkipBlanks();
    if (reader.Peek() != '{') return std::nullopt;
    std::optional<Text> found;
    if (!reader.Value(0, &name, &found) || !reader.AtEnd()) return std::nullopt;
    return found;
}
