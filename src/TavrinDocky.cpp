#include "Tavrin.h"

// Stand-in: the dock icon and its pictures are built by the dock change.

static int dockyStandIn;

BOOL LoadAllPictures()
{
    return TRUE;
}
void FreeAllPictures() { }
void *CreateDockyLibrary()
{
    return &dockyStandIn;
}
void DeleteDockyLibrary(void *) { }
