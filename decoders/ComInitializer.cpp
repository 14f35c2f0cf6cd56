#include "decoders/ComInitializer.h"

#include <objbase.h>

CComInitializer::CComInitializer()
{
    const HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // S_FALSE: already initialised here, counted all the same. RPC_E_CHANGED_MODE: the thread is in
    // the multithreaded apartment, where COM works too, but that call was not counted.
    MustUninitialize = SUCCEEDED(result);
    Ready = MustUninitialize || result == RPC_E_CHANGED_MODE;
}

CComInitializer::~CComInitializer()
{
    if (MustUninitialize)
        ::CoUninitialize();
}
