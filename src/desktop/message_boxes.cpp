#include "desktop/message_boxes.h"

namespace quillon::platform {

void MessageBoxes::MsgBox(std::string_view text, MessageIcon icon, std::string_view title) {
    MessageBoxRequest request;
    request.text = std::string(text);
    request.icon = icon;
    request.title = std::string(title.empty() ? ApplicationTitle : title);
    showMessageBox(request);
}

void MessageBoxes::showTrappedError(int number, std::string_view procedure, std::string_view description) {
    MsgBox(description, MessageIcon::Critical, trapTitle(number, procedure));
}

void MessageBoxes::showRefusal(std::string_view text, std::string_view title) {
    MsgBox(text, MessageIcon::Critical, title);
}

void MessageBoxes::showInformation(std::string_view text, std::string_view title) {
    MsgBox(text, MessageIcon::Information, title);
}

void MessageBoxErrorReporter::report(int number, std::string_view procedure, std::string_view description) {
    // This runs inside the trap's handler: a failure to show the box must not escape and
    // end the procedure's caller too, so the error still goes somewhere.
    try {
        boxes_.showTrappedError(number, procedure, description);
    } catch (...) {
        StderrErrorReporter().report(number, procedure, description);
    }
}

} // namespace quillon::platform
