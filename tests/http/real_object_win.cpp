#include <windows.h>

#include "tests/http/real_request_fixture.h"

TestedObject ObjectUnderTest() {
    const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine ? TestedObject::Wine : TestedObject::Windows;
}
