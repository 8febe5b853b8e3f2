// The seam between HttpRequest and COM: the WinHTTP request object reached by
// member name, and the calls that initialise COM and create the object.
#pragma once

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

#include "text/text.h"

// The automation values that cross the seam: nothing, VT_BSTR (ANSI code page
// on this side), VT_I4, VT_BOOL, a one-dimensional VT_UI1 array.
using AutomationValue = std::variant<std::monostate, Text, std::int32_t, bool, Bytes>;

enum class MemberKind { Method, PropertyGet, PropertyPut };

struct RequestObject {
    virtual ~RequestObject() = default;
    // Arguments in the member's own order; for a property put the value comes
    // last. A failed call, or one without a result, gives std::monostate.
    virtual AutomationValue Invoke(const Text& member, MemberKind kind, const std::vector<AutomationValue>& args) = 0;
};

struct RequestPlatform {
    virtual ~RequestPlatform() = default;
    virtual void Initialize() = 0;    // CoInitialize(nullptr)
    virtual void Uninitialize() = 0;  // CoUninitialize()
    // A new "WinHttp.WinHttpRequest.5.1" object, or null when none can be made.
    virtual std::shared_ptr<RequestObject> CreateRequestObject() = 0;
};

// COM and WinHTTP on Windows; elsewhere a platform on which creation fails.
RequestPlatform& SystemRequestPlatform();

// Makes HttpRequest use the given platform (null: the system one) and returns
// the one used before.
RequestPlatform* UseRequestPlatform(RequestPlatform* platform);
