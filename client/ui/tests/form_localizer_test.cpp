// Translating a real window: captions, texts, layout, reading order, character set and
// the logo, on the login dialog made from the program's resources.
#include <gtest/gtest.h>

#include "com/module.h"
#include "localization_test_support.h"
#include "resource_ids.h"

namespace {

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The login dialog, made but never shown.
class TranslatedLogin {
public:
    explicit TranslatedLogin(const C_localization& localization) {
        dialog = CreateDialogParamW(com::moduleHandle(), MAKEINTRESOURCEW(IDD_LOGIN), nullptr, quietDialog, 0);
        designed = boxOf(IDOK);
        designedPassword = boxOf(IDC_LOGIN_PASSWORD_LABEL);
        localization.formLclz(dialog, kLoginFormTags, objects);
    }
    ~TranslatedLogin() { DestroyWindow(dialog); }

    HWND item(int id) const { return GetDlgItem(dialog, id); }
    std::wstring text(int id) const {
        wchar_t buffer[256] = {};
        GetWindowTextW(item(id), buffer, 256);
        return buffer;
    }
    LONG_PTR style(int id) const { return GetWindowLongPtrW(item(id), GWL_STYLE); }
    LONG_PTR exStyle(int id) const { return GetWindowLongPtrW(item(id), GWL_EXSTYLE); }
    RECT boxOf(int id) const {
        RECT rect;
        GetWindowRect(item(id), &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    int pixelsX(int units) const {
        RECT rect = {0, 0, units, 0};
        MapDialogRect(dialog, &rect);
        return rect.right;
    }
    int pixelsY(int units) const {
        RECT rect = {0, 0, 0, units};
        MapDialogRect(dialog, &rect);
        return rect.bottom;
    }

    HWND dialog = nullptr;
    RECT designed{}, designedPassword{};
    FormGdiObjects objects;
};

}  // namespace

TEST(FormTranslation, TextsAndLayoutComeFromTheLanguageFiles) {
    LanguageFolder folder;
    folder.writeTexts(1031,
                      L"FORM_LOGIN_TITLE=Anmeldung\nLBL_LOGIN_USER=Benutzer:\nCHK_LOGIN_REMPSWD=Merken\n"
                      L"FRAME_LOGIN_LOGIN=Zugang\nBTN_GEN_CANCEL=&Abbrechen\nTXT_LOGIN_USER=not a caption");
    folder.writeLayout(1031, "BTN_GEN_OK=100|20\r\nLBL_LOGIN_PSWD=80|10|70|16\r\n");
    auto german = makeLocalization(folder, 1031, 1033);
    german->loadLclzData();
    TranslatedLogin login(*german);
    ASSERT_NE(nullptr, login.dialog);

    wchar_t caption[128] = {};
    GetWindowTextW(login.dialog, caption, 128);
    EXPECT_STREQ(L"Anmeldung", caption);
    EXPECT_EQ(L"Benutzer:", login.text(IDC_LOGIN_USER_LABEL));
    EXPECT_EQ(L"Merken", login.text(IDC_LOGIN_REMEMBER));
    EXPECT_EQ(L"Zugang", login.text(IDC_LOGIN_FRAME));
    EXPECT_EQ(L"&Abbrechen", login.text(IDCANCEL));
    EXPECT_EQ(L"&OK", login.text(IDOK)) << "no entry: the design text stays";
    EXPECT_EQ(L"", login.text(IDC_LOGIN_USER)) << "a text box has no caption to translate";

    RECT ok = login.boxOf(IDOK);
    EXPECT_EQ(login.pixelsX(100), ok.right - ok.left);
    EXPECT_EQ(login.pixelsY(20), ok.bottom - ok.top);
    EXPECT_EQ(login.designed.left, ok.left) << "top and left were not given";
    EXPECT_EQ(login.designed.top, ok.top);
    RECT password = login.boxOf(IDC_LOGIN_PASSWORD_LABEL);
    EXPECT_EQ(login.pixelsY(70), password.top);
    EXPECT_EQ(login.pixelsX(16), password.left);

    EXPECT_FALSE(GetWindowLongPtrW(login.dialog, GWL_EXSTYLE) & WS_EX_RTLREADING);
}

TEST(FormTranslation, RightToLeftLanguagesTurnTheFormButOnlyAlignSomeControls) {
    LanguageFolder folder;
    folder.writeTexts(1037, L"LBL_LOGIN_USER=\u05de\u05e9\u05ea\u05de\u05e9:");
    auto hebrew = makeLocalization(folder, 1037, 1033);
    hebrew->loadLclzData();
    TranslatedLogin login(*hebrew);

    EXPECT_TRUE(GetWindowLongPtrW(login.dialog, GWL_EXSTYLE) & WS_EX_RTLREADING) << "the form reads right to left";
    EXPECT_EQ(SS_RIGHT, login.style(IDC_LOGIN_USER_LABEL) & (SS_CENTER | SS_RIGHT)) << "labels are right-aligned";
    EXPECT_FALSE(login.exStyle(IDC_LOGIN_USER_LABEL) & WS_EX_RTLREADING);
    EXPECT_TRUE(login.style(IDC_LOGIN_USER) & ES_RIGHT) << "text boxes are right-aligned";
    EXPECT_FALSE(login.exStyle(IDC_LOGIN_USER) & WS_EX_RTLREADING);
    EXPECT_FALSE(login.exStyle(IDOK) & WS_EX_RTLREADING) << "buttons keep their reading order";
    EXPECT_TRUE(login.style(IDC_LOGIN_REMEMBER) & BS_LEFTTEXT) << "the box of a check box goes right";
    EXPECT_TRUE(login.exStyle(IDC_LOGIN_REMEMBER) & WS_EX_RTLREADING);
    EXPECT_TRUE(login.exStyle(IDC_LOGIN_FRAME) & WS_EX_RTLREADING);
}

TEST(FormTranslation, FarEasternLanguagesGetTheirCharacterSet) {
    LanguageFolder folder;
    folder.writeTexts(1041, L"BTN_GEN_OK=OK");
    auto japanese = makeLocalization(folder, 1041, 1033);
    japanese->loadLclzData();
    TranslatedLogin login(*japanese);
    for (int id : {IDOK, IDC_LOGIN_USER, IDC_LOGIN_USER_LABEL}) {
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(login.item(id), WM_GETFONT, 0, 0));
        LOGFONTW description = {};
        ASSERT_EQ((int)sizeof description, GetObjectW(font, sizeof description, &description));
        EXPECT_EQ(SHIFTJIS_CHARSET, description.lfCharSet) << id;
    }
}

TEST(FormTranslation, TheLogoFileIsShownInTheLogoImage) {
    LanguageFolder folder;
    static const unsigned char gif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                                        0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x2C, 0x00, 0x00, 0x00, 0x00,
                                        0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    lab::writeFileBytes(folder.root() + L"logo.gif", std::string(reinterpret_cast<const char*>(gif), sizeof gif));
    auto english = makeLocalization(folder, 1, 1033);
    english->loadLclzData();
    TranslatedLogin login(*english);
    EXPECT_NE(0, SendMessageW(login.item(IDC_LOGIN_LOGO), STM_GETIMAGE, IMAGE_BITMAP, 0));
}

TEST(FormTranslation, ComboItemsNamingAKeyAreTranslatedInPlace) {
    LanguageFolder folder;
    folder.writeTexts(1031, L"STR_SETTINGS_USEENGLISH=Englisch verwenden");
    auto german = makeLocalization(folder, 1031, 1033);
    german->loadLclzData();
    HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 200, 200, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(nullptr, combo);
    for (const wchar_t* item : {L"first", L"STR_SETTINGS_USEENGLISH:Use English", L"STR_NONE:Kept English"}) {
        LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendMessageW(combo, CB_SETITEMDATA, index, 100 + index);
    }
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    german->cmbBoxLclz(combo);
    const wchar_t* expected[] = {L"first", L"Englisch verwenden", L"Kept English"};
    for (int i = 0; i < 3; ++i) {
        wchar_t item[64] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        EXPECT_STREQ(expected[i], item);
        EXPECT_EQ(100 + i, SendMessageW(combo, CB_GETITEMDATA, i, 0)) << "item data stays with its item";
    }
    EXPECT_EQ(1, SendMessageW(combo, CB_GETCURSEL, 0, 0));
    DestroyWindow(combo);
}
