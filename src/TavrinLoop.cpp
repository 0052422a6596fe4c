#include "Tavrin.h"

// Stand-in loop: waits for the break signal that ends the program.
void MsgLoop()
{
    exec::Wait(SIGBREAKF_CTRL_C);
}

void DoIconify() { }
void CheckNewsAtStart() { }
