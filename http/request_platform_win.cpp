#include <windows.h>
#include <oleauto.h>

#include <climits>
#include <cmath>
#include <string>

#include "http/automation_win.h"

namespace {

std::wstring WideFromText(const Text& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), TextLength(text), nullptr, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), TextLength(text), wide.data(), length);
    return wide;
}

// A Text never holds a zero byte, so a BSTR is cut at its first zero unit.
Text TextFromBstr(BSTR bstr) {
    const int units = static_cast<int>(SysStringLen(bstr));
    if (units == 0) return Text();
    const int length = WideCharToMultiByte(CP_ACP, 0, bstr, units, nullptr, 0, nullptr, nullptr);
    Text text(length > 0 ? length : 0, '\0');
    if (length > 0) WideCharToMultiByte(CP_ACP, 0, bstr, units, text.data(), length, nullptr, nullptr);
    return text.substr(0, text.find('\0'));
}

SAFEARRAY* SafeArrayFromBytes(const Bytes& bytes) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(bytes.size()), 1};
    SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
    void* data = nullptr;
    if (array && !bytes.empty() && SUCCEEDED(SafeArrayAccessData(array, &data))) {
        CopyMemory(data, bytes.data(), bytes.size());
        SafeArrayUnaccessData(array);
    }
    return array;
}

Bytes BytesFromSafeArray(SAFEARRAY* array) {
    LONG lower = 0, upper = -1;
    if (!array || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper)) || upper < lower) {
        return Bytes();
    }
    Bytes bytes(static_cast<std::size_t>(upper - lower) + 1);
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return Bytes();
    CopyMemory(bytes.data(), data, bytes.size());
    SafeArrayUnaccessData(array);
    return bytes;
}

bool IsNumber(VARTYPE type) {
    switch (type) {
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_R8:
        case VT_DECIMAL:
        case VT_CY:
            return true;
        default:
            return false;
    }
}

std::int32_t CutToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    if (value <= static_cast<double>(INT32_MIN)) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

class DispatchRequestObject final : public RequestObject {
public:
    explicit DispatchRequestObject(IDispatch* dispatch) : dispatch_(dispatch) {}
    DispatchRequestObject(const DispatchRequestObject&) = delete;
    DispatchRequestObject& operator=(const DispatchRequestObject&) = delete;
    ~DispatchRequestObject() override { dispatch_->Release(); }

    AutomationValue Invoke(const Text& member, MemberKind kind, const std::vector<AutomationValue>& args) override {
        std::wstring name = WideFromText(member);
        LPOLESTR names[] = {name.data()};
        DISPID id = DISPID_UNKNOWN;
        if (FAILED(dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return {};

        // IDispatch takes the arguments last first.
        std::vector<VARIANT> reversed;
        for (auto arg = args.rbegin(); arg != args.rend(); ++arg) reversed.push_back(ToVariant(*arg));
        DISPID putId = DISPID_PROPERTYPUT;
        const bool put = kind == MemberKind::PropertyPut;
        DISPPARAMS params{reversed.data(), put ? &putId : nullptr, static_cast<UINT>(reversed.size()), put ? 1u : 0u};
        const WORD flags = kind == MemberKind::Method        ? DISPATCH_METHOD
                           : kind == MemberKind::PropertyGet ? DISPATCH_PROPERTYGET
                                                             : DISPATCH_PROPERTYPUT;
        VARIANT result;
        VariantInit(&result);
        const HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, put ? nullptr : &result,
                                             nullptr, nullptr);
        for (VARIANT& v : reversed) VariantClear(&v);
        AutomationValue value = SUCCEEDED(hr) ? FromVariant(result) : AutomationValue();
        VariantClear(&result);
        return value;
    }

private:
    IDispatch* dispatch_;
};

struct ComRequestPlatform final : RequestPlatform {
    void Initialize() override { CoInitialize(nullptr); }
    void Uninitialize() override { CoUninitialize(); }
    std::shared_ptr<RequestObject> CreateRequestObject() override {
        CLSID clsid;
        if (FAILED(CLSIDFromProgID(L"WinHttp.WinHttpRequest.5.1", &clsid))) return nullptr;
        IDispatch* dispatch = nullptr;
        if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&dispatch))) ||
            !dispatch) {
            return nullptr;
        }
        // Not make_shared: its type test would bring the library's shared_ptr support into the
        // executable.
        return std::shared_ptr<RequestObject>(new DispatchRequestObject(dispatch));
    }
};

}  // namespace

VARIANT ToVariant(const AutomationValue& value) {
    VARIANT variant;
    VariantInit(&variant);
    if (const Text* text = std::get_if<Text>(&value)) {
        const std::wstring wide = WideFromText(*text);
        variant.vt = VT_BSTR;
        variant.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    } else if (const std::int32_t* number = std::get_if<std::int32_t>(&value)) {
        variant.vt = VT_I4;
        variant.lVal = *number;
    } else if (const bool* flag = std::get_if<bool>(&value)) {
        variant.vt = VT_BOOL;
        variant.boolVal = *flag ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (const Bytes* bytes = std::get_if<Bytes>(&value)) {
        variant.vt = VT_ARRAY | VT_UI1;
        variant.parray = SafeArrayFromBytes(*bytes);
    }
    return variant;
}

AutomationValue FromVariant(const VARIANT& variant) {
    if (variant.vt == VT_BSTR) return TextFromBstr(variant.bstrVal);
    if (variant.vt == VT_BOOL) return variant.boolVal != VARIANT_FALSE;
    if (variant.vt == (VT_ARRAY | VT_UI1)) return BytesFromSafeArray(variant.parray);
    if (IsNumber(variant.vt)) {
        VARIANT source = variant;  // a shallow copy: the API takes no const source
        VARIANT real;
        VariantInit(&real);
        if (FAILED(VariantChangeType(&real, &source, 0, VT_R8))) return AutomationValue();
        return CutToInt32(real.dblVal);
    }
    return AutomationValue();
}

RequestPlatform& SystemRequestPlatform() {
    static ComRequestPlatform platform;
    return platform;
}
