#include "Tavrin.h"

// Stand-in: the browser start is built by its own change.
void ShowLink() { }
void ReportLink() { }
