// What only the libcurl request object does, against the recording server.
#include "tests/http/real_request_fixture.h"

namespace {

}  // namespace
