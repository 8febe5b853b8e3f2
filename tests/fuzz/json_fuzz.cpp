// The strict JSON reader on any bytes: it never crashes, hangs or overflows its stack, and what
// it accepts stays accepted around blanks and refused with anything after it.
#include "resolver/json_reader.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text json(reinterpret_cast<const char*>(data), size);
    for (const Text name : {"token", "@content.downloadUrl"}) {
        const std::optional<Text> value = JsonStringMember(json, name);
        FUZZ_CHECK(JsonStringMember(ConcatText(" \r\n", json, "\t"), name) == value);
        if (value) FUZZ_CHECK(!JsonStringMember(ConcatText(json, "x"), name));
    }
    return 0;
}
