#include "app/online/online_forms.h"

#include <functional>

#include "app/dialog_support.h"
#include "app/online/wininet_transport.h"
#include "recovery/work_file.h"

namespace quenzar::app {

void refuseFormField(HWND dialog, AppState& state, const online::FormFailure& failure, int editId) {
    const text::Language language = state.texts.uiLanguage;
    state.seams.showMessage(failure.message.in(language), online::kInputErrorTitle.in(language), MB_ICONWARNING);
    if (!failure.clearsField()) return;
    setItemText(dialog, editId, "");
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, editId)), TRUE);
}

namespace {

void sendAndShowOutcome(AppState& state, online::RequestKind kind,
                        const std::function<online::HttpRequest(const online::ServerAddress&)>& makeRequest) {
    online::SendOutcome outcome;
    // A server setting that is no host[:port] reaches no server: the request fails before any name
    // is looked up, and the failure box tells why.
    online::ServerSettingFault fault = online::ServerSettingFault::None;
    if (const std::optional<online::ServerAddress> server = online::parseServerAddress(state.webServer, &fault)) {
        const HCURSOR previous = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // the wait cursor
        outcome = sendWithWinInet(makeRequest(*server), state.sendLimits);
        SetCursor(previous);
    } else {
        outcome.failure = online::SendFailure::BadServerSetting;
        outcome.settingFault = fault;
    }
    const online::OutcomeMessage message = online::outcomeMessage(kind, outcome, state.texts.uiLanguage);
    state.seams.showMessage(message.text, message.title, outcome.succeeded() ? MB_ICONINFORMATION : MB_ICONERROR);
}

}  // namespace

void SendConsultationRequest(AppState& state, const online::ConsultationForm& form) {
    sendAndShowOutcome(state, online::RequestKind::Consultation, [&](const online::ServerAddress& server) {
        return online::makeConsultationRequest(server, form, state.inventory.screen);
    });
}

void SendOrderRequest(AppState& state, const online::OrderForm& form, const online::OrderFile& orderFile) {
    sendAndShowOutcome(state, online::RequestKind::Order, [&](const online::ServerAddress& server) {
        return online::makeOrderRequest(server, form, orderFile);
    });
}

void endProgramFromForm(AppState& state) {
    recovery::removeWorkFile(state.analysis.result);
    state.seams.endProcess(0);
}

}  // namespace quenzar::app
