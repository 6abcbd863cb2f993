#include "provider/vss/vss_async.h"

#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/vss/provider_module.h"

const ComInterfaceEntry CVssAsync::kInterfaces[] = {ComEntry<CVssAsync, IVssAsync>(IID_IVssAsync), {}};

IVssAsync* CVssAsync::CreateInstanceAndStartJob(HRESULT jobResult) {
    ComObject<CVssAsync>* object = ComObject<CVssAsync>::New(&ProviderModule().Objects(), nullptr, jobResult);
    if (object == nullptr) {
        BVSS_DebugPrint(L"CComObject<CVssAsync>::CreateInstance(&pObject); failed with %x\n", E_OUTOFMEMORY);
        return nullptr;
    }
    IUnknown* inner = object->Inner();
    inner->AddRef();  // holds the object while it is asked
    void* async = nullptr;
    const HRESULT hr = inner->QueryInterface(IID_IVssAsync, &async);
    if (FAILED(hr)) BVSS_DebugPrint(L"CComObject<CVssAsync>::CreateInstance(&pObject); failed with %x\n", hr);
    inner->Release();  // the interface's reference, when there is one, is the caller's
    return static_cast<IVssAsync*>(async);
}

HRESULT CVssAsync::Cancel() {
    BVSS_FunctionTrace trace(L"CVssAsync::Cancel");
    return S_OK;
}

HRESULT CVssAsync::Wait(DWORD) {
    BVSS_FunctionTrace trace(L"CVssAsync::Wait");
    return S_OK;
}

HRESULT CVssAsync::QueryStatus(HRESULT* status, INT* progress) {
    BVSS_FunctionTrace trace(L"CVssAsync::QueryStatus");
    if (status != nullptr) *status = S_OK;
    if (progress != nullptr) *progress = 100;
    return S_OK;
}
