#include <new>

#include "Tavrin.h"

// Stand-in: the main window is built by the main-window change; the lists and buffers exist already.

gui::Object *gb_WindowObj;
gui::Window *gb_Win;
gui::Object *gb_NewslistGad;
exec::MsgPort *gb_AppPort;
exec::List gb_List[Arsschanel_max];
char *gb_Buffer[Arsschanel_max];

BOOL CreateAllObjects()
{
    BOOL ok = TRUE;
    for (int i = 0; i < Arsschanel_max; i++) {
        exec::NewList(&gb_List[i]);
        gb_Buffer[i] = new (std::nothrow) char[gb_RSSBufSize + 1];
        if (!gb_Buffer[i])
            ok = FALSE;
    }
    return ok;
}

void DestroyAllObjects()
{
    for (int i = 0; i < Arsschanel_max; i++) {
        if (exec::IsListValid(&gb_List[i]))
            FreigebenList(&gb_List[i]);
        delete[] gb_Buffer[i];
        gb_Buffer[i] = nullptr;
    }
}

void DoSnapshot() { }
void DoUnsnapshot() { }
