#include "bench/reference.h"

#include <vector>

#include "bench/inputs.h"
#include "tests/reference/cookie_rule.h"

namespace {

struct MergeCase {
    Text sent;
    Text received;
};

}  // namespace

std::string CheckAgainstReferences(bool& allIdentical) {
    std::vector<MergeCase> merges = {
        {"a=1; x=9", "a=2; b=3"},
        {"a=1", "a=deleted; b=3"},
        {"a=1", "a=DELETED"},
        {"x=1; x=2", ""},
        {"q=a b", ""},
        {"", "a=1; a=1"},
        {"", "a=1; a=2"},
        {"", ""},
        {"", "a=1;;b=2"},
        {" a =1;\xA1\xA1 b=2", "b =3; a=1"},
    };
    std::vector<Text> lists = {"a; b; a; c", "", "a", "a; a", "; ; a; ", "a;b; a;b"};
    const std::size_t sizes[] = {100, 1000, 3000};
    for (std::size_t items : sizes) {
        merges.push_back({Cookies(items / 2, 1), Cookies(items / 2, 2)});
        lists.push_back(Cookies(items, 0));
    }

    std::size_t mergeDiffers = 0;
    for (const MergeCase& c : merges) {
        Text sent = c.sent;
        const Text merged = MergeCookies(sent, c.received);
        if (merged != MergeCookiesByTheRule(c.sent, c.received) || sent != merged) ++mergeDiffers;
    }
    std::size_t listDiffers = 0;
    for (const Text& list : lists) {
        if (RemoveDuplicateItems(list, "; ") != RemoveDuplicateItemsByTheRule(list, "; ")) ++listDiffers;
    }
    allIdentical = mergeDiffers == 0 && listDiffers == 0;

    const auto line = [](const char* name, std::size_t differs, std::size_t total) {
        return std::string(name) +
               (differs == 0 ? ": identical, order included, on the edge cases and texts of 100, "
                               "1000 and 3000 items"
                             : ": DIFFERS on " + std::to_string(differs) + " of " + std::to_string(total) + " inputs");
    };
    return line("MergeCookies", mergeDiffers, merges.size()) + "\n" +
           line("RemoveDuplicateItems", listDiffers, lists.size());
}
