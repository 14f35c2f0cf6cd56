// The program's entry point and its one application object.
#include "app/ConverterApp.h"
#include "decoders/ComInitializer.h"

CConverterApp TheApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The picture decoders are COM objects; the wizard's one thread keeps COM for its whole run.
    CComInitializer com;
    return AfxWinMain(instance);
}
