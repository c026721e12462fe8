// The translation that ships with the client covers every text of the client and holds
// nothing else. (That the client loads it is seen in its windows, in dialogs_gui_test.cpp
// and client_program_test.cpp.)
#include <gtest/gtest.h>

#include <set>

#include "form_tags.h"
#include "lab_paths.h"
#include "lab_text.h"
#include "language_files.h"
#include "message_keys.h"

TEST(ShippedTranslation, EveryMessageKeyAndEveryTranslatedTagHasATextAndNothingElseIsThere) {
    std::set<std::wstring> tags(allTags().begin(), allTags().end()), known = tags;
    for (const FormTags* form : allFormTags()) {
        EXPECT_TRUE(tags.count(form->formTag));
        for (const ControlTag& control : form->controls)
            EXPECT_TRUE(!control.tag || tags.count(control.tag)) << control.id;
    }
    std::string bytes = lab::readFileBytes(lab::programFolder() + L"Localization\\lng1031.lng");
    EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2)) << "UTF-16 with its byte order mark";
    TextTable texts = parseLanguageText(bytes);
    for (const MessageKey& message : messageKeys()) {
        known.insert(message.key);
        EXPECT_FALSE(texts[message.key].empty()) << "no text for " << lab::toUtf8(message.key);
    }
    for (const wchar_t* tag : allTags())
        EXPECT_EQ(tagHasTranslatedText(tag), texts.count(tag) == 1) << lab::toUtf8(tag);
    for (const auto& entry : texts) EXPECT_TRUE(known.count(entry.first)) << "unknown " << lab::toUtf8(entry.first);
}
