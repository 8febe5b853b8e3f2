#include "tests/http/real_request_fixture.h"

TestedObject ObjectUnderTest() { return TestedObject::Curl; }
