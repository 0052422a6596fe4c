#include "Tavrin.h"

// Stand-in: the settings window is built by its own change.
void DoSettings() { }
