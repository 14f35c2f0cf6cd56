// The program's entry point and its one application object.
#include "app/ConverterApp.h"

CConverterApp TheApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return AfxWinMain(instance);
}
