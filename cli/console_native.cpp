// Linux: the terminal and the pipes speak UTF-8, the program GBK; libcurl's objects take an
// authorities file.
#include <iconv.h>

#include <cstdio>

#include "cli/console.h"
#include "cli/messages.h"
#include "http/curl_options.h"

namespace {

// GBK to UTF-8 as iconv knows code page 936; a byte that starts no character becomes "?".
std::string GbkToUtf8(const Text& gbk) {
    iconv_t converter = iconv_open("UTF-8", "CP936");
    if (converter == reinterpret_cast<iconv_t>(-1)) return gbk;
    std::string utf8;
    utf8.reserve(gbk.size() * 3 / 2);
    char buffer[256];
    char* in = const_cast<char*>(gbk.data());
    std::size_t inLeft = gbk.size();
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const bool stuck =
            iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) && out == buffer;
        utf8.append(buffer, static_cast<std::size_t>(out - buffer));
        if (stuck) {
            utf8 += '?';
            ++in;
            --inLeft;
        }
    }
    iconv_close(converter);
    return utf8;
}

}  // namespace

void BeginRun() {}
void EndRun() {}

std::vector<Input> ProgramArguments(int argc, char** argv) {
    std::vector<Input> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(InputLine(argv[i]));
    return arguments;
}

Input InputLine(const std::string& bytes) {
    const Text gbk = Utf8ToGbk(Bytes(bytes.begin(), bytes.end()));
    // What GBK cannot hold comes back from it changed.
    if (GbkToUtf8(gbk) != bytes) return {bytes, std::nullopt};
    return {bytes, gbk};
}

std::string OutputBytes(const Text& text) { return GbkToUtf8(text); }

std::optional<Text> UseCertificateAuthorities(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return Text(UNREADABLE_FILE);
    std::fclose(file);
    UseCertificateAuthorityFile(path);
    return std::nullopt;
}
