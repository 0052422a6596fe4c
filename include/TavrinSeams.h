#pragma once

#include "Tavrin.h"

// Operations of other files that a part of the program calls through a table, so that a test can put
// its own function in one slot and see each call. The compiler checks every replacement against the real
// function's type. The program never changes the tables.

// Start-up and shutdown (TavrinProg.cpp): a test makes a single step fail and watches which releases
// follow.
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

// What the event loop (TavrinLoop.cpp) does for its events: a test sees which action each event calls,
// and nothing is downloaded.
struct TavrinLoopActions {
    void (*RenewList)(LONG side);
    void (*DoSettings)();
    void (*ShowLink)();
    void (*ReportLink)();
    void (*DoSnapshot)();
    void (*CheckToAllNews)();
};

extern TavrinLoopActions gb_LoopActions;
extern const TavrinLoopActions gb_RealLoopActions;

// The downloads of a reload and a check (TavrinCheck.cpp): a test scripts what a channel answers.
struct TavrinDownloads {
    BOOL (*News)(char *buffer, LONG side); // a channel of the site, by its fixed request
    BOOL (*Feed)(LONG side); // a channel given by a feed's address
};

extern TavrinDownloads gb_Downloads;
extern const TavrinDownloads gb_RealDownloads;
