// Translating windows and combo boxes (the parts of C_localization that touch windows).
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cwchar>
#include <map>

#include "form_layout.h"
#include "localization.h"

namespace {

std::wstring kindOf(const wchar_t* tag) { return std::wstring(tag).substr(0, 3); }

// Kinds whose controls show a caption; text boxes, combo boxes, images and progress
// bars have none, so a text for them changes nothing.
bool hasCaption(const std::wstring& kind) {
    return kind == L"BTN" || kind == L"LBL" || kind == L"CHK" || kind == L"FRA";
}

void addStyle(HWND window, int which, LONG_PTR bits, LONG_PTR cleared = 0) {
    LONG_PTR style = GetWindowLongPtrW(window, which);
    SetWindowLongPtrW(window, which, (style & ~cleared) | bits);
}

// Right alignment where the control has one; right-to-left reading for the kinds that
// are not labels, combo boxes, buttons or text boxes.
void ctrlRightToLeft(HWND control, const std::wstring& kind) {
    if (kind == L"LBL") addStyle(control, GWL_STYLE, SS_RIGHT, SS_CENTER | SS_RIGHT);
    if (kind == L"TXT") addStyle(control, GWL_STYLE, ES_RIGHT, ES_CENTER);
    if (kind == L"CHK") addStyle(control, GWL_STYLE, BS_LEFTTEXT);
    if (kind != L"LBL" && kind != L"CMB" && kind != L"BTN" && kind != L"TXT")
        addStyle(control, GWL_EXSTYLE, WS_EX_RTLREADING | WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR);
    InvalidateRect(control, nullptr, TRUE);
}

// The control's font in the language's character set; fonts made here are shared by
// the controls that had the same font and kept with the window.
class CharsetFonts {
public:
    CharsetFonts(BYTE charset, FormGdiObjects& objects) : m_charset(charset), m_objects(objects) {}

    void apply(HWND control) {
        HFONT current = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        if (!current) current = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        LOGFONTW font;
        if (GetObjectW(current, sizeof font, &font) != sizeof font || font.lfCharSet == m_charset) return;
        HFONT& made = m_made[current];
        if (!made) {
            font.lfCharSet = m_charset;
            made = CreateFontIndirectW(&font);
            if (!made) return;
            m_objects.keep(made);
        }
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
    }

private:
    BYTE m_charset;
    FormGdiObjects& m_objects;
    std::map<HFONT, HFONT> m_made;
};

HBITMAP loadPicture(const std::wstring& path) {
    IPicture* picture = nullptr;
    if (FAILED(OleLoadPicturePath(const_cast<LPOLESTR>(path.c_str()), nullptr, 0, 0, IID_IPicture,
                                  reinterpret_cast<void**>(&picture))) ||
        !picture)
        return nullptr;
    HBITMAP copy = nullptr;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP && SUCCEEDED(picture->get_Handle(&handle)))
        copy = static_cast<HBITMAP>(
            CopyImage(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP, 0, 0, 0));
    picture->Release();
    return copy;
}

}  // namespace

void C_localization::formLclz(HWND form, const FormTags& tags, FormGdiObjects& objects) const {
    if (!IsWindow(form)) return;
    CharsetFonts fonts(fontCharset(), objects);
    if (isRTL()) addStyle(form, GWL_EXSTYLE, WS_EX_RTLREADING | WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR);
    std::wstring caption = text(tags.formTag);
    if (!caption.empty()) SetWindowTextW(form, caption.c_str());
    if (const auto* values = layout(tags.formTag)) applyFormLayout(form, *values);

    for (const ControlTag& entry : tags.controls) {
        HWND control = GetDlgItem(form, entry.id);
        if (!control || !entry.tag || !*entry.tag) continue;
        std::wstring kind = kindOf(entry.tag);
        if (isRTL()) ctrlRightToLeft(control, kind);
        fonts.apply(control);
        std::wstring translated = text(entry.tag);
        if (!translated.empty() && hasCaption(kind)) SetWindowTextW(control, translated.c_str());
        if (const auto* values = layout(entry.tag)) applyControlLayout(form, control, *values, kind == L"LIN");
        if (wcscmp(entry.name, L"ImageLogo") == 0 && !logoPath().empty()) {
            if (HBITMAP picture = loadPicture(logoPath())) {
                objects.keep(picture);
                SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
            }
        }
    }
}

void C_localization::cmbBoxLclz(HWND comboBox) const {
    LRESULT count = SendMessageW(comboBox, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count && count != CB_ERR; ++i) {
        LRESULT length = SendMessageW(comboBox, CB_GETLBTEXTLEN, i, 0);
        if (length == CB_ERR) continue;
        std::wstring item((size_t)length + 1, L'\0');
        SendMessageW(comboBox, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&item[0]));
        item.resize((size_t)length);
        std::wstring translated = comboItemLclz(item);
        if (translated == item) continue;
        LRESULT data = SendMessageW(comboBox, CB_GETITEMDATA, i, 0);
        LRESULT selected = SendMessageW(comboBox, CB_GETCURSEL, 0, 0);
        SendMessageW(comboBox, CB_DELETESTRING, i, 0);
        SendMessageW(comboBox, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(translated.c_str()));
        SendMessageW(comboBox, CB_SETITEMDATA, i, data);
        if (selected == i) SendMessageW(comboBox, CB_SETCURSEL, i, 0);
    }
}
