#include "app/online/consultation_dialog.h"

#include <string>

#include "app/dialog_support.h"
#include "app/online/online_forms.h"
#include "app/texts/online_dialog_texts.h"
#include "resources/online_dialog_ids.h"

namespace quenzar::app {
namespace {

struct ConsultationDialog {
    AppState& state;
    // What the person wrote, code page 1251, kept once it passed the checks.
    std::string name, email, description;
};

BOOL onInit(HWND dialog, ConsultationDialog& self) {
    applyDialogTexts(dialog, texts::consultationDialogTexts(), self.state.texts.uiLanguage);
    SendDlgItemMessageW(dialog, IDC_HELP_NAME, EM_LIMITTEXT, online::kNameMaxChars, 0);
    SendDlgItemMessageW(dialog, IDC_HELP_EMAIL, EM_LIMITTEXT, online::kEmailMaxChars, 0);
    SendDlgItemMessageW(dialog, IDC_HELP_DESCRIPTION, EM_LIMITTEXT, online::kDescriptionMaxChars, 0);
    return TRUE;
}

int editOf(online::FormField field) {
    switch (field) {
        case online::FormField::Name: return IDC_HELP_NAME;
        case online::FormField::Email: return IDC_HELP_EMAIL;
        default: return IDC_HELP_DESCRIPTION;
    }
}

void onSend(HWND dialog, ConsultationDialog& self) {
    std::string name = itemText(dialog, IDC_HELP_NAME);
    std::string email = itemText(dialog, IDC_HELP_EMAIL);
    std::string description = itemText(dialog, IDC_HELP_DESCRIPTION);
    if (const auto failure = online::validateConsultation(name, email, description)) {
        refuseFormField(dialog, self.state, *failure, editOf(failure->field));
        return;
    }
    self.name = std::move(name);
    self.email = std::move(email);
    self.description = std::move(description);
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK consultationDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    ConsultationDialog* self = dialogObject<ConsultationDialog>(dialog, message, lParam);
    if (self == nullptr) return FALSE;
    switch (message) {
        case WM_INITDIALOG: return onInit(dialog, *self);
        case WM_COMMAND:
            // Enter outside the description presses the form's only button; Escape does nothing:
            // the form has no way back but its close box.
            if (LOWORD(wParam) == IDC_HELP_SEND || LOWORD(wParam) == IDOK) onSend(dialog, *self);
            return TRUE;
        case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
    }
}

}  // namespace

void requestConsultation(AppState& state) {
    ConsultationDialog self{state, {}, {}, {}};
    const INT_PTR ended = DialogBoxParamW(state.instance, L"HELP", state.mainWindow, consultationDialogProc,
                                          reinterpret_cast<LPARAM>(&self));
    if (ended == 0) endProgramFromForm(state);
    if (ended != 1) return;
    const online::ConsultationForm form{self.name, self.email, self.description, state.texts.uiLanguage};
    SendConsultationRequest(state, form);
}

}  // namespace quenzar::app
