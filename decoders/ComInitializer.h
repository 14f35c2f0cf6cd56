// CComInitializer: COM made ready on the calling thread for the life of one scope.
#pragma once

// Initialises COM on the thread that constructs it (apartment-threaded, as windows and the common
// dialogs want) and uninitialises it when it goes, on the same thread. Nested use is fine: COM
// counts. A thread already in the multithreaded apartment keeps it, and COM is usable all the same.
class CComInitializer
{
public:
    CComInitializer();
    ~CComInitializer();
    CComInitializer(const CComInitializer&) = delete;
    CComInitializer& operator=(const CComInitializer&) = delete;

    // True when COM can be used on this thread.
    bool IsReady() const { return Ready; }

private:
    bool Ready = false;
    bool MustUninitialize = false;
};
