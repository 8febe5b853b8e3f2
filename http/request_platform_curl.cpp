// The request object on Linux: the WinHTTP object's members, with their
// meanings and automation types, over one libcurl easy handle. HttpRequest
// drives it as it drives the COM object on Windows, and one object used for
// several requests keeps its connections open between them.
#include <curl/curl.h>
#include <strings.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <memory>
#include <optional>

#include "http/curl_options.h"
#include "http/http_request.h"

namespace {

using Args = std::vector<AutomationValue>;
using Clock = std::chrono::steady_clock;

Text certificateAuthorityFile;

constexpr std::int32_t PROXY_DEFAULT = 0;  // HTTPREQUEST_PROXYSETTING_DEFAULT: here the environment's
constexpr std::int32_t PROXY_DIRECT = 1;
constexpr std::int32_t PROXY_NAMED = 2;
constexpr std::int32_t OPTION_SSL_ERROR_IGNORE_FLAGS = 4;
constexpr std::int32_t OPTION_ENABLE_REDIRECTS = 6;
constexpr long MAX_REDIRECTS = 10;  // WinHTTP's default
// WinHTTP waits for ever on a time-out of 0 or -1; libcurl's 0 would be its own default.
constexpr long FOREVER_MS = INT32_MAX;

std::optional<std::int32_t> Number(const Args& args, std::size_t at) {
    if (at >= args.size()) return std::nullopt;
    if (const std::int32_t* number = std::get_if<std::int32_t>(&args[at])) return *number;
    if (const bool* flag = std::get_if<bool>(&args[at])) return *flag ? -1 : 0;  // as VARIANT_TRUE converts
    return std::nullopt;
}

const Text* TextAt(const Args& args, std::size_t at) {
    return at < args.size() ? std::get_if<Text>(&args[at]) : nullptr;
}

bool SameName(const Text& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

bool HasLineBreak(const Text& text) { return text.find_first_of("\r\n") != Text::npos; }

// WinHTTP's Open refuses what it cannot take apart as an http or https URL.
bool IsHttpUrl(const Text& url) {
    CURLU* parsed = curl_url();
    char* scheme = nullptr;
    const bool ok = parsed && curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
                    curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
                    (strcasecmp(scheme, "http") == 0 || strcasecmp(scheme, "https") == 0);
    curl_free(scheme);
    curl_url_cleanup(parsed);
    return ok;
}

struct FreeList {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, FreeList>;

bool Append(HeaderList& list, const Text& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (!grown) return false;
    list.release();
    list.reset(grown);
    return true;
}

bool HasHeader(const std::vector<HeaderPair>& headers, const char* name) {
    for (const HeaderPair& header : headers) {
        if (SameName(header.name, name)) return true;
    }
    return false;
}

// The caller's lines, and empty lines that keep libcurl from adding headers
// that WinHTTP does not send: "Expect: 100-continue" before a larger body and
// a form Content-Type for every body.
bool OriginHeaderList(const std::vector<HeaderPair>& headers, HeaderList& list) {
    for (const HeaderPair& header : headers) {
        if (!Append(list, ConcatText(header.name, ": ", header.value))) return false;
    }
    for (const char* name : {"Expect", "Content-Type"}) {
        if (!HasHeader(headers, name) && !Append(list, ConcatText(name, ":"))) return false;
    }
    return true;
}

class CurlRequestObject final : public RequestObject {
public:
    explicit CurlRequestObject(CURL* easy) : easy_(easy), caFile_(certificateAuthorityFile) {}
    CurlRequestObject(const CurlRequestObject&) = delete;
    CurlRequestObject& operator=(const CurlRequestObject&) = delete;
    ~CurlRequestObject() override { curl_easy_cleanup(easy_); }

    AutomationValue Invoke(const Text& member, MemberKind kind, const Args& args) override {
        using Handler = AutomationValue (CurlRequestObject::*)(const Args&);
        struct Member {
            const char* name;
            MemberKind kind;
            Handler handler;
        };
        static const Member MEMBERS[] = {
            {"SetTimeouts", MemberKind::Method, &CurlRequestObject::SetTimeouts},
            {"SetProxy", MemberKind::Method, &CurlRequestObject::SetProxy},
            {"Open", MemberKind::Method, &CurlRequestObject::Open},
            {"Option", MemberKind::PropertyPut, &CurlRequestObject::PutOption},
            {"SetRequestHeader", MemberKind::Method, &CurlRequestObject::SetRequestHeader},
            {"Send", MemberKind::Method, &CurlRequestObject::Send},
            {"Status", MemberKind::PropertyGet, &CurlRequestObject::Status},
            {"GetAllResponseHeaders", MemberKind::Method, &CurlRequestObject::GetAllResponseHeaders},
            {"ResponseBody", MemberKind::PropertyGet, &CurlRequestObject::ResponseBody},
            {"Abort", MemberKind::Method, &CurlRequestObject::Abort},
        };
        // IDispatch finds a member by its name in any case.
        for (const Member& m : MEMBERS) {
            if (m.kind == kind && SameName(member, m.name)) return (this->*m.handler)(args);
        }
        return {};
    }

private:
    enum class Stage { Closed, Opened, Failed, Answered };

    // Resolve, connect, send, receive. libcurl's connect time-out covers the
    // name's resolution too, so the resolve time-out has nothing of its own.
    AutomationValue SetTimeouts(const Args& args) {
        if (args.size() != 4) return {};
        std::int32_t ms[4];
        for (std::size_t i = 0; i < 4; ++i) {
            const std::optional<std::int32_t> value = Number(args, i);
            if (!value || *value < -1) return {};
            ms[i] = *value;
        }
        connectMs_ = ms[1];
        sendMs_ = ms[2];
        receiveMs_ = ms[3];
        return {};
    }

    AutomationValue SetProxy(const Args& args) {
        const std::optional<std::int32_t> setting = Number(args, 0);
        const Text* server = TextAt(args, 1);
        if (!setting || args.size() > 2) return {};
        if (*setting == PROXY_DEFAULT) {
            proxy_.reset();
        } else if (*setting == PROXY_DIRECT) {
            proxy_ = Text();
        } else if (*setting == PROXY_NAMED && server && !server->empty()) {
            proxy_ = *server;
        }
        return {};
    }

    // Begins a new request: its headers, body and response go; the settings
    // made on the object and its open connections stay.
    AutomationValue Open(const Args& args) {
        stage_ = Stage::Closed;
        originHeaders_.clear();
        proxyHeaders_.clear();
        requestBody_.clear();
        ClearResponse();
        aborting_ = false;
        const Text* method = TextAt(args, 0);
        const Text* url = TextAt(args, 1);
        const bool* async = args.size() > 2 ? std::get_if<bool>(&args[2]) : nullptr;
        if (!method || !url || args.size() > 3 || (args.size() == 3 && (!async || *async))) return {};
        if (method->empty() || method->find_first_of(" \r\n") != Text::npos || !IsHttpUrl(*url)) return {};
        method_ = *method;
        url_ = *url;
        stage_ = Stage::Opened;
        return {};
    }

    AutomationValue PutOption(const Args& args) {
        const std::optional<std::int32_t> index = Number(args, 0);
        const std::optional<std::int32_t> value = Number(args, 1);
        if (!index || !value || args.size() != 2) return {};
        if (*index == OPTION_ENABLE_REDIRECTS) followRedirects_ = *value != 0;
        if (*index == OPTION_SSL_ERROR_IGNORE_FLAGS) verifyCertificates_ = *value == 0;
        return {};
    }

    // As WinHTTP's: a header of the same name, in any case, is replaced where
    // it stands, and an empty value takes it away. Proxy credentials go to the
    // proxy only, also through a tunnel.
    AutomationValue SetRequestHeader(const Args& args) {
        const Text* name = TextAt(args, 0);
        const Text* value = TextAt(args, 1);
        if (stage_ != Stage::Opened || args.size() != 2 || !name || !value || name->empty() ||
            name->find(':') != Text::npos || HasLineBreak(*name) || HasLineBreak(*value)) {
            return {};
        }
        std::vector<HeaderPair>& headers = SameName(*name, "Proxy-Authorization") ? proxyHeaders_ : originHeaders_;
        for (auto header = headers.begin(); header != headers.end(); ++header) {
            if (!SameName(header->name, name->c_str())) continue;
            if (value->empty()) {
                headers.erase(header);
            } else {
                header->value = *value;
            }
            return {};
        }
        if (!value->empty()) headers.push_back({*name, *value});
        return {};
    }

    AutomationValue Send(const Args& args) {
        if (stage_ != Stage::Opened || args.size() > 1) return {};
        if (const Text* text = TextAt(args, 0)) {
            requestBody_ = TextToBytes(*text);
        } else if (const Bytes* bytes = args.empty() ? nullptr : std::get_if<Bytes>(&args[0])) {
            requestBody_ = *bytes;
        } else if (!args.empty() && !std::holds_alternative<std::monostate>(args[0])) {
            return {};
        }
        stage_ = Perform() ? Stage::Answered : Stage::Failed;
        if (stage_ == Stage::Failed) ClearResponse();
        return {};
    }

    AutomationValue Status(const Args& args) {
        if (!Answered(args)) return {};
        return status_;
    }
    AutomationValue GetAllResponseHeaders(const Args& args) {
        if (!Answered(args)) return {};
        return responseHeaders_;
    }
    AutomationValue ResponseBody(const Args& args) {
        if (!Answered(args)) return {};
        return responseBody_;
    }

    // May come from another thread while Send waits: it touches nothing but
    // the flag that the transfer's progress callback reads.
    AutomationValue Abort(const Args&) {
        aborting_ = true;
        return {};
    }

    bool Answered(const Args& args) const { return args.empty() && stage_ == Stage::Answered; }

    void ClearResponse() {
        status_ = 0;
        responseHeaders_.clear();
        responseBody_.clear();
    }

    bool Perform() {
        HeaderList origin, proxy;
        if (!OriginHeaderList(originHeaders_, origin)) return false;
        for (const HeaderPair& header : proxyHeaders_) {
            if (!Append(proxy, ConcatText(header.name, ": ", header.value))) return false;
        }
        originList_ = std::move(origin);
        proxyList_ = std::move(proxy);

        // A reset drops every option of the request before, not the connections.
        curl_easy_reset(easy_);
        curl_easy_setopt(easy_, CURLOPT_URL, url_.c_str());
        curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        // WinHTTP speaks HTTP/1.1 unless asked otherwise; HTTP/2 would also
        // hand back the header names in lower case.
        curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, followRedirects_ ? 1L : 0L);
        curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, MAX_REDIRECTS);
        curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYPEER, verifyCertificates_ ? 1L : 0L);
        curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYHOST, verifyCertificates_ ? 2L : 0L);
        if (!caFile_.empty()) curl_easy_setopt(easy_, CURLOPT_CAINFO, caFile_.c_str());
        if (proxy_) {
            // A proxy of the object's own, or none, is not bypassed by no_proxy.
            curl_easy_setopt(easy_, CURLOPT_PROXY, proxy_->c_str());
            curl_easy_setopt(easy_, CURLOPT_NOPROXY, "");
        }
        curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, connectMs_ > 0 ? long{connectMs_} : FOREVER_MS);
        curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, originList_.get());
        curl_easy_setopt(easy_, CURLOPT_PROXYHEADER, proxyList_.get());
        curl_easy_setopt(easy_, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);

        // libcurl picks POST for a body and HEAD for no body to read; any other
        // method goes by name. POST and PUT announce even an empty body.
        const bool sendsBody = !requestBody_.empty() || method_ == "POST" || method_ == "PUT";
        if (sendsBody) {
            curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(requestBody_.size()));
            const void* body = requestBody_.empty() ? static_cast<const void*>("") : requestBody_.data();
            curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, body);
        } else if (method_ == "HEAD") {
            curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
        }
        if (method_ != (sendsBody ? "POST" : method_ == "HEAD" ? "HEAD" : "GET")) {
            curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, method_.c_str());
        }

        curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlRequestObject::OnHeaderLine);
        curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlRequestObject::OnBody);
        curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(easy_, CURLOPT_PREREQFUNCTION, &CurlRequestObject::OnRequestReady);
        curl_easy_setopt(easy_, CURLOPT_PREREQDATA, this);
        curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &CurlRequestObject::OnProgress);
        curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);

        requestSent_ = false;
        if (curl_easy_perform(easy_) != CURLE_OK) return false;
        long status = 0;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
        status_ = static_cast<std::int32_t>(status);
        return true;
    }

    // Every response's status line starts its header block afresh, so the
    // block handed back is the last response's, without its status line.
    static std::size_t OnHeaderLine(char* data, std::size_t size, std::size_t count, void* self) {
        CurlRequestObject& object = *static_cast<CurlRequestObject*>(self);
        const std::size_t length = size * count;
        Text line(data, length);
        line = line.substr(0, line.find_first_of(Text("\r\n\0", 3)));
        if (line.compare(0, 5, "HTTP/") == 0) {
            object.responseHeaders_.clear();
        } else if (!line.empty()) {
            object.responseHeaders_.append(line).append("\r\n");
        }
        return length;
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self) {
        Bytes& body = static_cast<CurlRequestObject*>(self)->responseBody_;
        body.insert(body.end(), data, data + size * count);
        return size * count;
    }

    // Called once the connection stands (or was reused), right before each
    // request of a transfer, redirects included: from here on the send and
    // receive time-outs count instead of the connect time-out.
    static int OnRequestReady(void* self, char*, char*, int, int) {
        CurlRequestObject& object = *static_cast<CurlRequestObject*>(self);
        object.requestSent_ = true;
        object.lastDown_ = object.lastUp_ = 0;
        object.quietSince_ = Clock::now();
        return CURL_PREREQFUNC_OK;
    }

    // WinHTTP's send and receive time-outs bound each wait for the next data,
    // not the whole transfer: the clock restarts whenever bytes move.
    static int OnProgress(void* self, curl_off_t, curl_off_t down, curl_off_t upTotal, curl_off_t up) {
        CurlRequestObject& object = *static_cast<CurlRequestObject*>(self);
        if (object.aborting_) return 1;
        if (!object.requestSent_) return 0;
        const Clock::time_point now = Clock::now();
        if (down != object.lastDown_ || up != object.lastUp_) {
            object.lastDown_ = down;
            object.lastUp_ = up;
            object.quietSince_ = now;
            return 0;
        }
        const std::int32_t limitMs = up < upTotal ? object.sendMs_ : object.receiveMs_;
        return limitMs > 0 && now - object.quietSince_ >= std::chrono::milliseconds(limitMs) ? 1 : 0;
    }

    CURL* const easy_;
    const Text caFile_;
    // Settings of the object; WinHTTP's defaults.
    std::int32_t connectMs_ = 60000;
    std::int32_t sendMs_ = 30000;
    std::int32_t receiveMs_ = 30000;
    std::optional<Text> proxy_;  // none: libcurl reads http_proxy, https_proxy, no_proxy
    bool followRedirects_ = true;
    bool verifyCertificates_ = true;
    // The request.
    Stage stage_ = Stage::Closed;
    Text method_;
    Text url_;
    std::vector<HeaderPair> originHeaders_;
    std::vector<HeaderPair> proxyHeaders_;
    Bytes requestBody_;
    HeaderList originList_;
    HeaderList proxyList_;
    // The transfer.
    std::atomic<bool> aborting_ = false;
    bool requestSent_ = false;
    curl_off_t lastDown_ = 0;
    curl_off_t lastUp_ = 0;
    Clock::time_point quietSince_;
    // The response.
    std::int32_t status_ = 0;
    Text responseHeaders_;
    Bytes responseBody_;
};

struct CurlRequestPlatform final : RequestPlatform {
    void Initialize() override {}
    void Uninitialize() override {}
    std::shared_ptr<RequestObject> CreateRequestObject() override {
        static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        CURL* easy = ready ? curl_easy_init() : nullptr;
        if (!easy) return nullptr;
        return std::make_shared<CurlRequestObject>(easy);
    }
};

}  // namespace

void UseCertificateAuthorityFile(const Text& path) { certificateAuthorityFile = path; }

RequestPlatform& SystemRequestPlatform() {
    static CurlRequestPlatform platform;
    return platform;
}
