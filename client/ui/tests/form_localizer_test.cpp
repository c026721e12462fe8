// Translating a real window: the login dialog made from the program's resources (never
// shown) and translated by a language of each kind: texts and layout, right to left, a
// far-eastern character set. (Combo items naming a text are seen translated in the
// settings dialog, in dialogs_gui_test.cpp.)
#include <gtest/gtest.h>

#include "com/module.h"
#include "localization_test_support.h"
#include "resource_ids.h"

namespace {

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::wstring textOf(HWND window) {
    wchar_t buffer[256] = {};
    GetWindowTextW(window, buffer, 256);
    return buffer;
}

}  // namespace

TEST(FormTranslation, TextsLayoutReadingOrderAndCharacterSetComeFromTheLanguage) {
    LanguageFolder folder;
    folder.writeTexts(1031, L"LBL_LOGIN_USER=Benutzer:\nTXT_LOGIN_USER=not a caption");
    folder.writeLayout(1031, "BTN_GEN_OK=100|20\r\n");
    folder.writeTexts(1037, L"LBL_LOGIN_USER=\u05de\u05e9\u05ea\u05de\u05e9:");
    folder.writeTexts(1041, L"LBL_LOGIN_USER=\u30e6\u30fc\u30b6\u30fc:\nBTN_GEN_OK=OK");
    struct Case {
        LCID language;
        const wchar_t *label, *ok;  // "&OK" is the design text: no entry keeps it
        int okWidth;                // in dialog units; 0: as designed
        bool rightToLeft, shiftJis;
    };
    for (const Case& c : {Case{1031, L"Benutzer:", L"&OK", 100, false, false},
                          Case{1037, L"\u05de\u05e9\u05ea\u05de\u05e9:", L"&OK", 0, true, false},
                          Case{1041, L"\u30e6\u30fc\u30b6\u30fc:", L"OK", 0, false, true}}) {
        SCOPED_TRACE(c.language);
        auto localization = makeLocalization(folder, c.language, 1033);
        localization->loadLclzData();
        FormGdiObjects objects;
        HWND dialog = CreateDialogParamW(com::moduleHandle(), MAKEINTRESOURCEW(IDD_LOGIN), nullptr, quietDialog, 0);
        ASSERT_NE(nullptr, dialog);
        localization->formLclz(dialog, kLoginFormTags, objects);
        HWND label = GetDlgItem(dialog, IDC_LOGIN_USER_LABEL), ok = GetDlgItem(dialog, IDOK);
        EXPECT_EQ(c.label, textOf(label));
        EXPECT_EQ(c.ok, textOf(ok));
        EXPECT_EQ(L"", textOf(GetDlgItem(dialog, IDC_LOGIN_USER))) << "a text box has no caption";
        if (c.okWidth) {
            RECT box, size = {0, 0, c.okWidth, 20};
            GetWindowRect(ok, &box);
            MapDialogRect(dialog, &size);
            EXPECT_EQ(size.right, box.right - box.left);
        }
        EXPECT_EQ(c.rightToLeft, (GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0);
        EXPECT_EQ(c.rightToLeft, (GetWindowLongPtrW(label, GWL_STYLE) & (SS_CENTER | SS_RIGHT)) == SS_RIGHT);
        LOGFONTW font = {};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(ok, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(c.shiftJis, font.lfCharSet == SHIFTJIS_CHARSET);
        DestroyWindow(dialog);
    }
}
