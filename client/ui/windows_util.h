#pragma once
// Small window helpers shared by the client's windows.
#include <windows.h>

#include <string>

// Makes the window the foreground window. When another thread owns the foreground,
// this thread's input is attached to that thread for the switch and detached again.
void bringToFront(HWND window);
// Makes the window top-most without moving or resizing it.
void makeTopMost(HWND window);

std::wstring windowText(HWND window);
std::wstring dialogItemText(HWND dialog, int id);
void setDialogItemText(HWND dialog, int id, const std::wstring& text);

// The folder this program was started from, without a trailing backslash.
std::wstring programFolder();
