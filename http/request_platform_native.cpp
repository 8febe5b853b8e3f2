#include "http/request_object.h"

// Without COM there is no request object to make, so every request ends as
// one whose object could not be created.
RequestPlatform& SystemRequestPlatform() {
    struct NoComPlatform final : RequestPlatform {
        void Initialize() override {}
        void Uninitialize() override {}
        std::shared_ptr<RequestObject> CreateRequestObject() override { return nullptr; }
    };
    static NoComPlatform platform;
    return platform;
}
