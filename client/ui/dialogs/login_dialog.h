#pragma once
// frmLogin: asks for the user name and password of the provider's web service.
#include <memory>
#include <string>

#include "dialog.h"
#include "localization.h"
#include "user_information.h"

// OK may be pressed once the user name has a character and the password is not empty.
bool loginOkEnabled(const std::wstring& userName, const std::wstring& password);

class frmLogin : public Dialog {
public:
    explicit frmLogin(const C_localization& localization);

    // Fills the boxes when the dialog opens.
    void setUserInformation(std::shared_ptr<C_userInformation> information) { m_information = std::move(information); }
    const std::shared_ptr<C_userInformation>& userInformation() const { return m_information; }
    void setRememberPassword(bool remember) { m_remember = remember; }
    bool rememberPassword() const { return m_remember; }

    // True when the user pressed OK; the user information then holds what was typed.
    // Cancel and the close box change nothing and give false.
    bool doModal(HWND owner = nullptr);

protected:
    BOOL onInit() override;
    BOOL onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void updateOk();
    void accept();

    const C_localization& m_localization;
    FormGdiObjects m_objects;
    std::shared_ptr<C_userInformation> m_information;
    bool m_remember = false;
    bool m_result = false;
};
