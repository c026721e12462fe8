#pragma once
// Which control of each window carries which Tag (the key its texts and layout are
// looked up by), and the control names that matter to translation ("ImageLogo").
#include <vector>

struct ControlTag {
    int id;
    const wchar_t* tag;   // null: the control is not translated
    const wchar_t* name;  // the control's name in the window's design
};

struct FormTags {
    const wchar_t* formTag;
    std::vector<ControlTag> controls;
};

extern const FormTags kMainFormTags;
extern const FormTags kLoginFormTags;
extern const FormTags kLoadingFormTags;
extern const FormTags kSettingsFormTags;
extern const FormTags kChooseFormTags;
extern const FormTags kUploadFormTags;
extern const FormTags kDownloadFormTags;

// All forms above.
const std::vector<const FormTags*>& allFormTags();
