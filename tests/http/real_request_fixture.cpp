#include "tests/http/real_request_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

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

std::vector<Recorded> RecordedRequests() {
    const std::filesystem::path dir = LocalPath(Env("CORVANEL_TEST_RECORD_DIR"));
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        if (entry.path().extension() == ".req") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<Recorded> records;
    for (const std::filesystem::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        records.push_back(ParseRecord(std::string(std::istreambuf_iterator<char>(in), {})));
    }
    return records;
}

}  // namespace

Text Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

Text Url(const Text& path) { return "http://127.0.0.1:" + Env("CORVANEL_TEST_HTTP_PORT") + path; }

Text HttpsUrl(const Text& path) { return "https://127.0.0.1:" + Env("CORVANEL_TEST_HTTPS_PORT") + path; }

Bytes AsBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

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

AutomationValue CallMethod(RequestObject& object, const char* member, const std::vector<AutomationValue>& args) {
    return object.Invoke(member, MemberKind::Method, args);
}

AutomationValue GetProperty(RequestObject& object, const char* member) {
    return object.Invoke(member, MemberKind::PropertyGet, {});
}

AutomationValue PutOption(RequestObject& object, std::int32_t index, std::int32_t value) {
    return object.Invoke("Option", MemberKind::PropertyPut, {index, value});
}

AutomationValue StatusOfGet(RequestObject& object, const Text& url) {
    CallMethod(object, "Open", {Text("GET"), url, false});
    CallMethod(object, "Send", {Text()});
    return GetProperty(object, "Status");
}

void RealRequestTest::SetUp() {
    SystemRequestPlatform().Initialize();
    ASSERT_FALSE(Env("CORVANEL_TEST_HTTP_PORT").empty()) << "run through tests/servers/run_with_server.py --tls";
    ASSERT_FALSE(Env("CORVANEL_TEST_HTTPS_PORT").empty()) << "run through tests/servers/run_with_server.py --tls";
    seen_ = RecordedRequests().size();
}

void RealRequestTest::TearDown() { SystemRequestPlatform().Uninitialize(); }

std::vector<Recorded> RealRequestTest::NewRequests() const {
    std::vector<Recorded> all = RecordedRequests();
    return std::vector<Recorded>(all.begin() + std::min(seen_, all.size()), all.end());
}
