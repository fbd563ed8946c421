#pragma once
// Opening a document, a program or an address with whatever the desktop associates with
// it, and telling the user when that is refused. The request is shaped and its result
// judged here; the shell that carries it out sits behind the Shell interface.

#include "desktop/message_boxes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::platform {

// Window show modes of the shell call.
inline constexpr std::int32_t ShowHidden = 0;
inline constexpr std::int32_t ShowNormal = 1;
inline constexpr std::int32_t ShowDefault = 10;

// The shell's results. Above 32 means the request was accepted; 0 to 32 are its errors.
namespace shellresult {
inline constexpr std::int32_t Accepted = 42;
inline constexpr std::int32_t OutOfResources = 0;
inline constexpr std::int32_t OtherFailure = 1;
inline constexpr std::int32_t FileNotFound = 2;
inline constexpr std::int32_t PathNotFound = 3;
inline constexpr std::int32_t AccessDenied = 5;
inline constexpr std::int32_t OutOfMemory = 8;
inline constexpr std::int32_t BadFormat = 11;
inline constexpr std::int32_t SharingViolation = 26;
inline constexpr std::int32_t IncompleteAssociation = 27;
inline constexpr std::int32_t DdeTimeout = 28;
inline constexpr std::int32_t DdeFailure = 29;
inline constexpr std::int32_t DdeBusy = 30;
inline constexpr std::int32_t NoAssociation = 31;
inline constexpr std::int32_t LibraryNotFound = 32;
} // namespace shellresult

// One call of the shell, exactly as it is made.
struct ShellRequest {
    std::int32_t owner = 0;
    std::string operation;
    std::string target;
    std::string parameters;
    std::string folder;
    std::int32_t showMode = ShowNormal;

    friend bool operator==(const ShellRequest&, const ShellRequest&) = default;
};

class Shell {
public:
    virtual ~Shell() = default;
    // Starts the request without waiting for what it opens. Returns a value above 32 when
    // the request was accepted, otherwise one of the shellresult errors.
    virtual std::int32_t ShellExecuteA(const ShellRequest& request) = 0;
};

// The call OpenDocument makes: a target containing ".EXE" drops the show mode to hidden;
// without parameters and folder the call carries empty ones and the normal show mode.
ShellRequest shellRequestFor(std::string_view target, std::int32_t showMode, std::string_view parameters,
                             std::string_view folder, std::string_view operation, std::int32_t owner);

struct ShellFailure {
    std::int32_t number;
    std::string_view text;

    friend bool operator==(const ShellFailure&, const ShellFailure&) = default;
};

// The error a shell result stands for; nothing for an accepted request (below 0 or above
// 32). Error numbers of the application-error range are 0x80040000 + 1048 + r.
std::optional<ShellFailure> shellFailure(std::int32_t result);

// "Error n°53" CR "File not found".
std::string shellFailureMessage(std::int32_t number, std::string_view text);

// What the user is told when no program opens `item` (a result of NoAssociation or
// IncompleteAssociation): in words that name it, since the number says nothing to anyone
// who is not on the classic desktop. Nothing for the other results.
std::optional<std::string> noProgramMessage(std::int32_t result, std::string_view item);

class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;
    // Opens `target` (a file path, a program name such as "notepad" with `parameters`, a web
    // address or a "mailto:" link) and returns at once. True when the request was accepted;
    // false after telling the user why it was refused.
    virtual bool OpenDocument(std::string_view target, std::int32_t showMode, std::string_view parameters,
                              std::string_view folder, std::string_view operation, std::int32_t owner) = 0;
};

class ShellDocumentOpener final : public DocumentOpener {
public:
    ShellDocumentOpener(Shell& shell, MessageBoxes& boxes) : shell_(shell), boxes_(boxes) {}
    bool OpenDocument(std::string_view target, std::int32_t showMode, std::string_view parameters,
                      std::string_view folder, std::string_view operation, std::int32_t owner) override;

private:
    Shell& shell_;
    MessageBoxes& boxes_;
};

} // namespace quillon::platform
