#include "Tavrin.h"

// Stand-in: the sound is built by its own change.
void PlaySample() { }
