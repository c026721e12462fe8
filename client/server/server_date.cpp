#include "server_date.h"

#include <cwctype>

#include "client_error.h"

namespace {

const ULONGLONG kTicksPerMinute = 600000000ULL;

std::wstring pad2(int value) { return (value < 10 ? L"0" : L"") + std::to_wstring(value); }

std::wstring offsetText(int hours) {
    if (hours > 0) return L"+" + pad2(hours) + L":00";
    if (hours < 0) return L"-" + pad2(-hours) + L":00";
    return L"-00:00";
}

ULONGLONG ticksOf(const FILETIME& time) { return ((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime; }

FILETIME fileTimeOf(ULONGLONG ticks) { return FILETIME{(DWORD)ticks, (DWORD)(ticks >> 32)}; }

[[noreturn]] void notADate(const std::wstring& text) {
    raiseError(DISP_E_TYPEMISMATCH, L"Invalid server date: " + text);
}

// Reads a decimal number of at most maxDigits digits at `at`; false without a digit.
bool readNumber(const std::wstring& text, size_t& at, size_t maxDigits, int& value) {
    size_t start = at;
    value = 0;
    while (at < text.size() && at - start < maxDigits && iswdigit(text[at])) value = value * 10 + (text[at++] - L'0');
    return at > start;
}

bool expect(const std::wstring& text, size_t& at, wchar_t c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
}

}  // namespace

int utcOffsetHours() {
    SYSTEMTIME utc, local;
    GetSystemTime(&utc);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return 0;
    FILETIME utcTime, localTime;
    SystemTimeToFileTime(&utc, &utcTime);
    SystemTimeToFileTime(&local, &localTime);
    long long minutes = ((long long)ticksOf(localTime) - (long long)ticksOf(utcTime)) / (long long)kTicksPerMinute;
    return (int)(minutes / 60);
}

std::wstring formatServerDate(const SYSTEMTIME& local) { return formatServerDate(local, utcOffsetHours()); }

std::wstring formatServerDate(const SYSTEMTIME& local, int offsetHours) {
    return std::to_wstring(local.wYear) + L"-" + pad2(local.wMonth) + L"-" + pad2(local.wDay) + L"T" +
           pad2(local.wHour) + L":" + pad2(local.wMinute) + offsetText(offsetHours);
}

SYSTEMTIME parseServerDate(const std::wstring& text) { return parseServerDate(text, utcOffsetHours()); }

SYSTEMTIME parseServerDate(const std::wstring& text, int offsetHours) {
    size_t at = 0;
    int year, month, day, hour, minute;
    if (!readNumber(text, at, 4, year) || !expect(text, at, L'-') || !readNumber(text, at, 2, month) ||
        !expect(text, at, L'-') || !readNumber(text, at, 2, day) || !expect(text, at, L'T') ||
        !readNumber(text, at, 2, hour) || !expect(text, at, L':') || !readNumber(text, at, 2, minute))
        notADate(text);
    // Seconds, when a server sends them, are passed over.
    if (at < text.size() && text[at] == L':') {
        int seconds;
        ++at;
        if (!readNumber(text, at, 2, seconds)) notADate(text);
    }
    long long textOffsetMinutes = 0;
    bool hasOffset = at < text.size();
    if (hasOffset) {
        int sign = text[at] == L'+' ? 1 : text[at] == L'-' ? -1 : 0;
        int offsetHoursOfText = 0, offsetMinutesOfText = 0;
        ++at;
        if (!sign || !readNumber(text, at, 2, offsetHoursOfText)) notADate(text);
        if (expect(text, at, L':') && !readNumber(text, at, 2, offsetMinutesOfText)) notADate(text);
        if (at != text.size()) notADate(text);
        textOffsetMinutes = sign * (offsetHoursOfText * 60LL + offsetMinutesOfText);
    }
    SYSTEMTIME stated = {};
    stated.wYear = (WORD)year;
    stated.wMonth = (WORD)month;
    stated.wDay = (WORD)day;
    stated.wHour = (WORD)hour;
    stated.wMinute = (WORD)minute;
    FILETIME time;
    if (hour > 23 || minute > 59 || !SystemTimeToFileTime(&stated, &time)) notADate(text);
    long long shift = hasOffset ? offsetHours * 60LL - textOffsetMinutes : 0;
    FILETIME shifted = fileTimeOf(ticksOf(time) + (ULONGLONG)(shift * (long long)kTicksPerMinute));
    SYSTEMTIME local;
    if (!FileTimeToSystemTime(&shifted, &local)) notADate(text);
    local.wSecond = 0;
    local.wMilliseconds = 0;
    return local;
}
