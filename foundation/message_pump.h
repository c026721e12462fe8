#pragma once
// Dispatches the window messages waiting for the calling thread, so that a user interface
// stays alive during a long synchronous step. A quit message ends the pump and is posted
// again for the caller's own message loop.
void pumpWaitingMessages();
