#pragma once
// Every text key of the client: the message keys with their built-in English texts, and
// the Tags of the windows' controls. Language files translate these keys.
#include <vector>

struct MessageKey {
    const wchar_t* key;
    const wchar_t* english;
};

// The message keys (STR_*) in use, with their English texts.
const std::vector<MessageKey>& messageKeys();
// The English text of a message key (the key itself when unknown).
const wchar_t* englishText(const wchar_t* key);

// Every Tag of the client's windows, including those of the job windows.
const std::vector<const wchar_t*>& allTags();

// Whether a Tag's control shows a text that language files translate: forms, buttons,
// labels, check boxes and frames, except Tags ending in "_NOTRAN".
bool tagHasTranslatedText(const wchar_t* tag);
