#include "tests/http/recorded_requests.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The directory's files with that extension, sorted, the extension left out.
std::vector<std::filesystem::path> RecordFiles(const Text& recordDir, const Text& extension) {
    std::vector<std::filesystem::path> bases;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(LocalPath(recordDir), error)) {
        if (entry.path().extension() == extension) bases.push_back(entry.path().parent_path() / entry.path().stem());
    }
    std::sort(bases.begin(), bases.end());
    return bases;
}

std::filesystem::path WithExtension(std::filesystem::path base, const char* extension) {
    return base.replace_extension(extension);
}

Recorded ParseRecord(const std::string& raw) {
    Recorded record;
    const std::size_t end = raw.find("\r\n\r\n");
    const std::string head = raw.substr(0, end);
    record.body.assign(raw.begin() + std::min(raw.size(), end + 4), raw.end());
    std::size_t start = 0;
    for (bool first = true; start <= head.size(); first = false) {
        std::size_t stop = head.find("\r\n", start);
        if (stop == std::string::npos) stop = head.size();
        const std::string line = head.substr(start, stop - start);
        start = stop + 2;
        if (first) {
            record.requestLine = line;
            continue;
        }
        const std::size_t colon = line.find(':');
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        value.erase(value.find_last_not_of(" \t") + 1);
        record.headers.push_back({line.substr(0, colon), value});
    }
    return record;
}

}  // namespace

std::optional<Text> Recorded::Header(const Text& name) const {
    for (const HeaderPair& h : headers) {
        if (h.name == name) return h.value;
    }
    return std::nullopt;
}

std::vector<Text> Recorded::OrderOf(const std::vector<Text>& names) const {
    std::vector<Text> order;
    for (const HeaderPair& h : headers) {
        if (std::find(names.begin(), names.end(), h.name) != names.end()) order.push_back(h.name);
    }
    return order;
}

Text Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The servers run on the Unix side, which Wine's drive Z: is the root of.
Text LocalPath(const Text& unixPath) {
#ifdef _WIN32
    return "Z:" + unixPath;
#else
    return unixPath;
#endif
}

Bytes AsBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::vector<Recorded> RecordedRequests(const Text& recordDir, std::size_t after) {
    std::vector<std::filesystem::path> bases = RecordFiles(recordDir, ".req");
    bases.erase(bases.begin(), bases.begin() + std::min(after, bases.size()));
    std::vector<Recorded> records;
    for (const std::filesystem::path& base : bases) {
        Recorded record = ParseRecord(FileText(WithExtension(base, ".req")));
        std::istringstream(FileText(WithExtension(base, ".via"))) >> record.connection >> record.host >> record.tunnel;
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<Text> RecordedTunnels(const Text& recordDir) {
    std::vector<Text> targets;
    for (const std::filesystem::path& base : RecordFiles(recordDir, ".tunnel")) {
        Text target;
        std::istringstream(FileText(WithExtension(base, ".tunnel"))) >> target;
        targets.push_back(target);
    }
    return targets;
}
