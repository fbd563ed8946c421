#pragma once
// Message boxes with one OK button, and the path trapped errors take to the user.

#include "base/vb_error.h"

#include <string>
#include <string_view>

namespace quillon::platform {

// The title a box shows when its caller gives none.
inline constexpr std::string_view ApplicationTitle = "Quillon Free";

// The icon values of the classic message box style.
enum class MessageIcon : int {
    None = 0,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
};

struct MessageBoxRequest {
    std::string text;
    MessageIcon icon = MessageIcon::None;
    std::string title;

    friend bool operator==(const MessageBoxRequest&, const MessageBoxRequest&) = default;
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // Shows `text` with `icon` and one OK button and returns when the user closed the box.
    // An empty title shows ApplicationTitle. Line breaks may be CR LF, LF or a lone CR.
    void MsgBox(std::string_view text, MessageIcon icon, std::string_view title = {});

    // The standard error box: the description as text, the critical icon, and the title
    // "ERREUR n°53 in Cparti".
    void showTrappedError(int number, std::string_view procedure, std::string_view description);
    // A refusal or failure the user must know about: the critical icon.
    void showRefusal(std::string_view text, std::string_view title = {});
    void showInformation(std::string_view text, std::string_view title = {});

protected:
    // Shows the box as given; the title is already resolved.
    virtual void showMessageBox(const MessageBoxRequest& request) = 0;
};

// Shows every trapped error in the standard error box; it must not outlive the boxes.
class MessageBoxErrorReporter final : public ErrorReporter {
public:
    explicit MessageBoxErrorReporter(MessageBoxes& boxes) : boxes_(boxes) {}
    void report(int number, std::string_view procedure, std::string_view description) override;

private:
    MessageBoxes& boxes_;
};

} // namespace quillon::platform
