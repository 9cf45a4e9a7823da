#include "app/online/order_dialog.h"

#include <string>

#include "app/dialog_support.h"
#include "app/online/online_forms.h"
#include "app/texts/online_dialog_texts.h"
#include "online/order_file.h"
#include "platform/stdio_file.h"
#include "resources/online_dialog_ids.h"

namespace quenzar::app {
namespace {

// The controls whose texts line up in columns with blanks: the tariff heading and rows, the notes.
constexpr int kFixedPitchControls[] = {IDC_ORDER_TARIFF_HEADING, 3053, 3054, 3055, 3056, IDC_ORDER_NOTE,
                                       IDC_ORDER_NOTE_1, IDC_ORDER_NOTE_1_END, IDC_ORDER_NOTE_2,
                                       IDC_ORDER_NOTE_2_END, IDC_ORDER_NOTE_3, IDC_ORDER_NOTE_3_END};

struct OrderDialog {
    AppState& state;
    char diskNumber;
    online::TariffGroup group;
    // Made when the form opens: the key block and the time of the order.
    online::KeyBlock keyBlock{};
    online::LocalTime created{};
    HFONT fixedFont = nullptr;
    // Made once the form's texts passed the checks.
    online::OrderFile file{};
    std::string name{}, email{}, tariffRow{};

    text::Language language() const { return state.texts.uiLanguage; }
};

online::LocalTime localTimeNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute};
}

BOOL onInit(HWND dialog, OrderDialog& self) {
    const text::Language language = self.language();
    applyDialogTexts(dialog, texts::orderDialogTexts(), language);
    setWindowText1251(dialog, texts::orderDialogTitle(self.diskNumber, language));
    self.fixedFont = createFixedPitchFont(dialog);
    for (int controlId : kFixedPitchControls) {
        SendDlgItemMessageW(dialog, controlId, WM_SETFONT, reinterpret_cast<WPARAM>(self.fixedFont), FALSE);
    }
    for (int tariff = 1; tariff <= online::kTariffCount; ++tariff) {
        setItemText(dialog, IDC_ORDER_FIRST_TARIFF + tariff - 1, online::tariffRow(self.group, tariff).in(language));
    }
    SendDlgItemMessageW(dialog, IDC_ORDER_NAME, EM_LIMITTEXT, online::kNameMaxChars, 0);
    SendDlgItemMessageW(dialog, IDC_ORDER_EMAIL, EM_LIMITTEXT, online::kEmailMaxChars, 0);
    self.keyBlock = online::makeKeyBlock(GetTickCount(), self.group);
    self.created = localTimeNow();
    return TRUE;
}

// The first tariff row checked, 1 to 4; 0 when none is.
int chosenTariff(HWND dialog) {
    for (int tariff = 1; tariff <= online::kTariffCount; ++tariff) {
        if (isItemChecked(dialog, IDC_ORDER_FIRST_TARIFF + tariff - 1)) return tariff;
    }
    return 0;
}

void onSend(HWND dialog, OrderDialog& self) {
    std::string name = itemText(dialog, IDC_ORDER_NAME);
    std::string email = itemText(dialog, IDC_ORDER_EMAIL);
    const int tariff = chosenTariff(dialog);
    if (const auto failure = online::validateOrder(name, email, tariff)) {
        const int editId = failure->field == online::FormField::Email ? IDC_ORDER_EMAIL : IDC_ORDER_NAME;
        refuseFormField(dialog, self.state, *failure, editId);
        return;
    }
    self.name = std::move(name);
    self.email = std::move(email);
    self.tariffRow = std::string(online::tariffRow(self.group, tariff).in(self.language()));
    const disk::PhysicalDiskInfo& disk = self.state.inventory.disk(self.diskNumber);
    const online::OrderDetails details{self.name,
                                       self.email,
                                       self.tariffRow,
                                       std::string_view(disk.serialNumber.data(), disk.serialNumber.size()),
                                       self.keyBlock,
                                       self.created,
                                       self.state.analysis.result.geometry};
    self.file = online::buildOrderFile(details);
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK orderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    OrderDialog* self = dialogObject<OrderDialog>(dialog, message, lParam);
    if (self == nullptr) return FALSE;
    switch (message) {
        case WM_INITDIALOG: return onInit(dialog, *self);
        case WM_COMMAND:
            // Enter presses the form's only button; Escape does nothing: the form has no way back
            // but its close box.
            if (LOWORD(wParam) == IDC_ORDER_SEND || LOWORD(wParam) == IDOK) onSend(dialog, *self);
            return TRUE;
        case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
        case WM_DESTROY:
            if (self->fixedFont != nullptr) DeleteObject(self->fixedFont);
            self->fixedFont = nullptr;
            return FALSE;
        default: return FALSE;
    }
}

// Writes the order file as a plain file of its own, never through a link planted under its name.
bool writeOrderFile(const std::filesystem::path& path, const online::OrderFile& file) {
    platform::CreatedFile created = platform::createPlainFile(path);
    if (!created.file) return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), created.file.get()) == file.size();
    return std::fclose(created.file.release()) == 0 && written;
}

}  // namespace

void orderRecovery(AppState& state) {
    const AnalysisSession& analysis = state.analysis;
    if (analysis.result.outcome != recovery::AnalysisOutcome::Completed) return;
    OrderDialog self{.state = state,
                     .diskNumber = analysis.diskNumber,
                     .group = online::tariffGroupOf(state.inventory.masks, analysis.diskNumber)};
    const INT_PTR ended = DialogBoxParamW(state.instance, L"ORDER", state.mainWindow, orderDialogProc,
                                          reinterpret_cast<LPARAM>(&self));
    if (ended == 0) endProgramFromForm(state);
    if (ended != 1) return;

    const text::Language language = self.language();
    if (!writeOrderFile(analysis.workFolder / online::kOrderFileName, self.file)) {
        state.seams.showMessage(texts::kOrderFileNotWritten.text.in(language),
                                texts::kOrderFileNotWritten.title.in(language), MB_ICONWARNING);
    }
    const online::OrderForm form{self.name, self.email, self.tariffRow, language};
    SendOrderRequest(state, form, self.file);
}

}  // namespace quenzar::app
