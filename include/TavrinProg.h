#pragma once

#include "Tavrin.h"

// The operations of other files that start-up and shutdown call, in one table so that a test can
// make a single step fail and watch which releases follow. The program never changes it.
struct TavrinSteps {
    BOOL (*LoadConfig)();
    BOOL (*LoadTimestamp)();
    BOOL (*CreateAllObjects)();
    BOOL (*LoadAllPictures)();
    void *(*CreateDockyLibrary)();
    void (*MsgLoop)();
    void (*DoIconify)();
    void (*DeleteDockyLibrary)(void *base);
    void (*FreeAllPictures)();
    void (*DestroyAllObjects)();
    BOOL (*SaveConfig)();
};

extern TavrinSteps gb_Steps;
extern const TavrinSteps gb_RealSteps;

// The domain the application registers its URL identifier under.
extern const char gb_URLIdentifier[];
