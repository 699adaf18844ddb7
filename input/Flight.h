// The ship's frame: steering from the input, motion, and the view.
#pragma once

void ProcessInput();
void MoveShip();
void UpdateView();
