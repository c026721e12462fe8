#pragma once
// Finding the processes to end by their name.
#include <string>

// Compares a process name without its extension (the part from the first "." after
// the first character) with the wanted name, ASCII letters in any case.
bool processNameMatches(const char* processName, const std::string& wanted);
