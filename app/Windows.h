#pragma once
// Creates every window of the program once, in the fixed start-up order.
void CreateWindows();
