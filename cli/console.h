// The console program's edges, which differ by platform: the code page of what it reads and
// writes, and what a run needs set up around it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "text/text.h"

// A link or option as the user gave it.
struct Input {
    std::string given;         // its bytes as read, for the echoes in messages and --tsv
    std::optional<Text> text;  // the program's text of it; none when it holds a character GBK has not
};

// COM for the whole run on Windows; nothing elsewhere. Everything that holds a request
// object is gone before EndRun.
void BeginRun();
void EndRun();

// The arguments after the program's name.
std::vector<Input> ProgramArguments(int argc, char** argv);
// One line of standard input, without its line end.
Input InputLine(const std::string& bytes);
// The bytes a text of the program is written as.
std::string OutputBytes(const Text& text);

// Makes the request objects trust the certificate authorities of a PEM file instead of the
// system's; the usage error when that cannot be done.
std::optional<Text> UseCertificateAuthorities(const std::string& path);
