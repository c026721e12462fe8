// Translating a real window: captions, texts, layout, reading order, character set and
// the logo, on the login dialog made from the program's resources. (Combo items naming
// a text are seen translated in the settings dialog, in dialogs_gui_test.cpp.)
#include <gtest/gtest.h>

#include "com/module.h"
#include "localization_test_support.h"
#include "resource_ids.h"

namespace {

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The login dialog, made but never shown, translated.
class TranslatedLogin {
public:
    explicit TranslatedLogin(const C_localization& localization) {
        dialog = CreateDialogParamW(com::moduleHandle(), MAKEINTRESOURCEW(IDD_LOGIN), nullptr, quietDialog, 0);
        designedOk = boxOf(IDOK);
        localization.formLclz(dialog, kLoginFormTags, objects);
    }
    ~TranslatedLogin() { DestroyWindow(dialog); }

    HWND item(int id) const { return GetDlgItem(dialog, id); }
    std::wstring text(HWND window) const {
        wchar_t buffer[256] = {};
        GetWindowTextW(window, buffer, 256);
        return buffer;
    }
    LONG_PTR style(int id, int which = GWL_STYLE) const { return GetWindowLongPtrW(item(id), which); }
    RECT boxOf(int id) const {
        RECT rect;
        GetWindowRect(item(id), &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    // Dialog units in pixels: left, top, width, height.
    RECT pixels(int x, int y, int width, int height) const {
        RECT rect = {x, y, width, height};
        MapDialogRect(dialog, &rect);
        return rect;
    }

    HWND dialog = nullptr;
    RECT designedOk{};
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
    EXPECT_EQ(L"Anmeldung", login.text(login.dialog));
    const std::pair<int, const wchar_t*> texts[] = {{IDC_LOGIN_USER_LABEL, L"Benutzer:"},
                                                    {IDC_LOGIN_REMEMBER, L"Merken"},
                                                    {IDC_LOGIN_FRAME, L"Zugang"},
                                                    {IDCANCEL, L"&Abbrechen"},
                                                    {IDOK, L"&OK"},          // no entry: the design text stays
                                                    {IDC_LOGIN_USER, L""}};  // a text box has no caption
    for (const auto& entry : texts) EXPECT_EQ(entry.second, login.text(login.item(entry.first))) << entry.first;

    RECT ok = login.boxOf(IDOK), size = login.pixels(0, 0, 100, 20);
    EXPECT_EQ(size.right, ok.right - ok.left);
    EXPECT_EQ(size.bottom, ok.bottom - ok.top);
    EXPECT_EQ(login.designedOk.left, ok.left) << "top and left were not given";
    EXPECT_EQ(login.designedOk.top, ok.top);
    RECT password = login.boxOf(IDC_LOGIN_PASSWORD_LABEL), place = login.pixels(16, 70, 0, 0);
    EXPECT_EQ(place.top, password.top);
    EXPECT_EQ(place.left, password.left);
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
    EXPECT_TRUE(login.style(IDC_LOGIN_USER) & ES_RIGHT) << "text boxes are right-aligned";
    EXPECT_TRUE(login.style(IDC_LOGIN_REMEMBER) & BS_LEFTTEXT) << "the box of a check box goes right";
    for (int id : {IDC_LOGIN_USER_LABEL, IDC_LOGIN_USER, IDOK})
        EXPECT_FALSE(login.style(id, GWL_EXSTYLE) & WS_EX_RTLREADING) << id << " keeps its reading order";
    for (int id : {IDC_LOGIN_REMEMBER, IDC_LOGIN_FRAME}) EXPECT_TRUE(login.style(id, GWL_EXSTYLE) & WS_EX_RTLREADING);
}

TEST(FormTranslation, FarEasternLanguagesGetTheirCharacterSetAndTheLogoFileIsShown) {
    LanguageFolder folder;
    folder.writeTexts(1041, L"BTN_GEN_OK=OK");
    static const unsigned char gif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                                        0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x2C, 0x00, 0x00, 0x00, 0x00,
                                        0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    lab::writeFileBytes(folder.root() + L"logo.gif", std::string(reinterpret_cast<const char*>(gif), sizeof gif));
    auto japanese = makeLocalization(folder, 1041, 1033);
    japanese->loadLclzData();
    TranslatedLogin login(*japanese);
    for (int id : {IDOK, IDC_LOGIN_USER, IDC_LOGIN_USER_LABEL}) {
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(login.item(id), WM_GETFONT, 0, 0));
        LOGFONTW description = {};
        ASSERT_EQ((int)sizeof description, GetObjectW(font, sizeof description, &description));
        EXPECT_EQ(SHIFTJIS_CHARSET, description.lfCharSet) << id;
    }
    EXPECT_NE(0, SendMessageW(login.item(IDC_LOGIN_LOGO), STM_GETIMAGE, IMAGE_BITMAP, 0));
}
