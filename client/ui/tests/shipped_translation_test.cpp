// The translation that ships with the client covers every text of the client.
#include <gtest/gtest.h>

#include <set>

#include "form_tags.h"
#include "lab_paths.h"
#include "language_files.h"
#include "localization.h"
#include "message_keys.h"

namespace {

const unsigned long kShipped[] = {1031};

TextTable shippedTexts(unsigned long id) {
    std::wstring path = lab::programFolder() + L"Localization\\lng" + std::to_wstring(id) + L".lng";
    std::string bytes = lab::readFileBytes(path);
    EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2)) << "UTF-16 with its byte order mark";
    return parseLanguageText(bytes);
}

}  // namespace

TEST(ShippedTranslation, EveryMessageKeyAndEveryTranslatedTagHasAText) {
    for (unsigned long id : kShipped) {
        TextTable texts = shippedTexts(id);
        for (const MessageKey& message : messageKeys()) {
            auto found = texts.find(message.key);
            ASSERT_NE(texts.end(), found)
                << id << " lacks " << std::string(message.key, message.key + wcslen(message.key));
            EXPECT_FALSE(found->second.empty());
        }
        for (const wchar_t* tag : allTags()) {
            if (!tagHasTranslatedText(tag)) {
                EXPECT_EQ(texts.end(), texts.find(tag)) << "nothing to translate for this Tag";
                continue;
            }
            EXPECT_NE(texts.end(), texts.find(tag)) << id << " lacks " << std::string(tag, tag + wcslen(tag));
        }
    }
}

TEST(ShippedTranslation, ItHoldsNoKeyTheClientDoesNotKnow) {
    std::set<std::wstring> known;
    for (const MessageKey& message : messageKeys()) known.insert(message.key);
    for (const wchar_t* tag : allTags()) known.insert(tag);
    for (unsigned long id : kShipped)
        for (const auto& entry : shippedTexts(id))
            EXPECT_TRUE(known.count(entry.first))
                << "unknown key " << std::string(entry.first.begin(), entry.first.end());
}

TEST(ShippedTranslation, EveryTagOfTheWindowsIsAKnownTag) {
    std::set<std::wstring> tags(allTags().begin(), allTags().end());
    for (const FormTags* form : allFormTags()) {
        EXPECT_TRUE(tags.count(form->formTag));
        for (const ControlTag& control : form->controls)
            if (control.tag) {
                EXPECT_TRUE(tags.count(control.tag)) << control.id;
            }
    }
}

TEST(ShippedTranslation, TheClientLoadsIt) {
    for (unsigned long id : kShipped) {
        LocaleQueries queries = systemLocaleQueries();
        C_localization localization(
            lab::programFolder(), [id] { return (long)id; }, queries);
        localization.loadLclzData();
        EXPECT_EQ(id, localization.currLang());
        EXPECT_NE(L"Print Driver", localization.stringLclz(L"STR_GEN_PDTITLE", L"Print Driver"));
        bool listed = false;
        for (const auto& language : localization.availableLangs()) listed |= language.first == id;
        EXPECT_TRUE(listed) << "the user can pick it in the settings";
    }
}
