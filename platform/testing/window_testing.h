// Test-only view of the window layer: what message boxes were shown, which
// messages reached window procedures, and a settable clock. Never included
// by the program.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "windows.h"

namespace tarvona::testing {

struct ShownMessageBox {
    std::string text;     // as passed, Windows-1250 bytes
    std::string caption;  // as passed
    UINT flags;
    bool hadOwner;
};
const std::vector<ShownMessageBox>& ShownMessageBoxes();
void ClearShownMessageBoxes();

int PostedQuitMessages();

// Forgets every registered class and window, so each test starts clean.
void ResetWindowLayer();

// Replaces timeGetTime's reading; nullopt restores the real clock.
void SetFakeTime(std::optional<DWORD> milliseconds);

// Delivers a close request as the desktop would (the window's close button).
void SimulateCloseRequest(HWND hwnd);
// Queues the close request as the desktop's event instead, for the event
// pump to turn into WM_CLOSE; PumpWindowEvents runs the pump once.
void QueueDesktopCloseRequest(HWND hwnd);
void PumpWindowEvents();

std::string Cp1250ToUtf8(const std::string& text);

}  // namespace tarvona::testing
