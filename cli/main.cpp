// corvanel-resolve: the resolver for scripts and download managers. Each argument, or each line
// of standard input when there is none, is a share link; each gives one line of standard output,
// its direct link or nothing, and a failure also a message on standard error.
#include <chrono>
#include <cstdio>

#include "cli/console.h"
#include "cli/messages.h"
#include "http/http_request.h"
#include "resolver/resolver.h"

namespace {

constexpr char PROGRAM[] = "corvanel-resolve";
constexpr char VERSION[] = "corvanel-resolve 1.0.0\n";

constexpr int RESOLVED = 0;
constexpr int SOME_FAILED = 1;
constexpr int USAGE_ERROR = 2;

struct Options {
    bool tsv = false;
    bool help = false;
    bool version = false;
    std::vector<Input> links;
};

void Write(std::FILE* stream, const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

// "corvanel-resolve: <what the user gave>: <why>", the why in the program's text.
void Complain(const std::string& given, const Text& why) {
    Write(stderr, ConcatText(PROGRAM, ": ", given, ": ", OutputBytes(why), "\n"));
}

int UsageError(const std::string& given, const Text& why) {
    Complain(given, why);
    Write(stderr, OutputBytes(ConcatText(SEE_HELP, "\n")));
    return USAGE_ERROR;
}

// The options, or the usage error's exit status.
std::optional<int> ReadOptions(std::vector<Input> arguments, Options& options) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& given = arguments[i].given;
        if (given == "--tsv") {
            options.tsv = true;
        } else if (given == "--help" || given == "-h") {
            options.help = true;
        } else if (given == "--version") {
            options.version = true;
        } else if (given == "--ca-file") {
            if (++i == arguments.size()) return UsageError(given, MISSING_FILE);
            if (const std::optional<Text> why = UseCertificateAuthorities(arguments[i].given)) {
                return UsageError(arguments[i].given, *why);
            }
        } else if (given.size() > 1 && given[0] == '-') {
            return UsageError(given, UNKNOWN_OPTION);
        } else {
            options.links.push_back(std::move(arguments[i]));
        }
    }
    return std::nullopt;
}

// Why the resolver gave no direct link; the empty text when it gave one.
Text WhyNot(const Resolution& resolution, std::chrono::steady_clock::duration took) {
    switch (resolution.failure) {
        case ResolveFailure::None:
            return Text();
        case ResolveFailure::NoItem:
            return NO_ITEM;
        case ResolveFailure::NoAnswer:
            // Only a time-out makes a request wait that long before it fails.
            return took >= std::chrono::seconds(DEFAULT_TIMEOUT_SECONDS) ? TIMED_OUT : NO_ANSWER;
        case ResolveFailure::ServiceAnswer:
            return ConcatText(SERVICE_ANSWER, std::to_string(resolution.status));
        case ResolveFailure::Folder:
            return FOLDER;
    }
    return Text();
}

struct Outcome {
    Text directLink;
    Text why;  // empty when the link resolved, or the line is blank
};

Outcome Resolve(const Input& input, ResolverSession& session) {
    if (!input.text) return {Text(), OUTSIDE_GBK};
    const Text link = TrimBoth(*input.text);
    if (link.empty()) return {};
    if (!IsShareLink(link)) return {Text(), NOT_A_SHARE_LINK};
    const auto start = std::chrono::steady_clock::now();
    const Resolution resolution = ResolveShareLink(link, session);
    return {resolution.directLink, WhyNot(resolution, std::chrono::steady_clock::now() - start)};
}

// Resolves one link and writes its line, and its message when it failed; whether it resolved.
bool ResolveOne(const Input& input, bool tsv, ResolverSession& session) {
    const Outcome outcome = Resolve(input, session);
    Write(stdout, ConcatText(tsv ? ConcatText(input.given, "\t") : Text(), OutputBytes(outcome.directLink), "\n"));
    if (!outcome.why.empty()) Complain(input.given, outcome.why);
    return outcome.why.empty();
}

// A line of standard input without its line end ("\n" or "\r\n"); false at the end of the
// input. The line stops growing past the longest share link and at a zero byte, so that no
// line, however long, costs more memory than a link.
bool ReadLine(std::FILE* stream, std::string& line) {
    line.clear();
    bool cut = false;
    int c = std::getc(stream);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::getc(stream)) {
        cut = cut || c == '\0' || line.size() > std::size_t{LONGEST_SHARE_LINK};
        if (!cut) line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

int Run(std::vector<Input> arguments) {
    Options options;
    if (const std::optional<int> status = ReadOptions(std::move(arguments), options)) return *status;
    if (options.help || options.version) {
        Write(stdout, OutputBytes(options.help ? USAGE : VERSION));
        return RESOLVED;
    }
    // One request object for the whole run: its connections are kept, and the token too.
    ResolverSession session;
    bool allResolved = true;
    for (const Input& link : options.links) allResolved = ResolveOne(link, options.tsv, session) && allResolved;
    if (options.links.empty()) {
        std::string line;
        while (ReadLine(stdin, line)) allResolved = ResolveOne(InputLine(line), options.tsv, session) && allResolved;
    }
    return allResolved ? RESOLVED : SOME_FAILED;
}

}  // namespace

int main(int argc, char** argv) {
    BeginRun();
    const int status = Run(ProgramArguments(argc, argv));
    EndRun();
    return status;
}
