#include "input/Flight.h"

// Placeholders until flight control exists.
void ProcessInput() {}
void MoveShip() {}
void UpdateView() {}
