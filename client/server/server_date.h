#pragma once
// Dates as the provider's server takes and gives them: year-month-dayThour:minute and
// the sender's offset from UTC, e.g. "2002-03-05T09:07+02:00". The client sends its
// local time with its own offset in whole hours; times it receives are turned into
// local time.
#include <windows.h>

#include <string>

// Local time now minus UTC now, in whole hours (cut toward zero).
int utcOffsetHours();

// The server text of a local date and time (seconds are not sent), with this
// machine's offset, or with the offset given.
std::wstring formatServerDate(const SYSTEMTIME& local);
std::wstring formatServerDate(const SYSTEMTIME& local, int offsetHours);

// The local date and time of a server text, seconds 0. The text's offset (hours, or
// hours and minutes) is taken away and this machine's offset added, so the day moves
// when the hour passes midnight. A text without an offset is taken as local time.
// Throws _com_error (DISP_E_TYPEMISMATCH) for a text that is no date.
SYSTEMTIME parseServerDate(const std::wstring& text);
SYSTEMTIME parseServerDate(const std::wstring& text, int offsetHours);
