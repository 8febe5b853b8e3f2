// Settings of the libcurl request objects (Linux) that WinHTTP takes from the
// system instead of from a member of the object.
#pragma once

#include "text/text.h"

// The certificate authorities (a PEM file) that request objects created from
// now on trust instead of the system's store; the empty text goes back to the
// store. For private set-ups and tests.
void UseCertificateAuthorityFile(const Text& path);
