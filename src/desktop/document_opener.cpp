#include "desktop/document_opener.h"

#include "base/ascii_text.h"
#include "base/vb_error.h"

#include <new>

namespace quillon::platform {

namespace {

bool containsExeIgnoringCase(std::string_view text) {
    for (std::size_t i = 0; i + 4 <= text.size(); ++i) {
        if (equalsIgnoringAsciiCase(text.substr(i, 4), ".exe")) {
            return true;
        }
    }
    return false;
}

// 0x80040000 + 1048 + r, as a signed 32-bit number.
std::int32_t applicationError(std::int32_t result) {
    return result - 2147220456;
}

} // namespace

ShellRequest shellRequestFor(std::string_view target, std::int32_t showMode, std::string_view parameters,
                             std::string_view folder, std::string_view operation, std::int32_t owner) {
    if (containsExeIgnoringCase(target)) {
        showMode = ShowHidden;
    }
    ShellRequest request;
    request.owner = owner;
    request.operation = std::string(operation);
    request.target = std::string(target);
    if (!parameters.empty() || !folder.empty()) {
        request.parameters = std::string(parameters);
        request.folder = std::string(folder);
        request.showMode = showMode;
    } else {
        request.showMode = ShowNormal;
    }
    return request;
}

std::optional<ShellFailure> shellFailure(std::int32_t result) {
    using namespace shellresult;
    if (result < 0 || result > 32) {
        return std::nullopt;
    }
    switch (result) {
    case OutOfResources:
    case OutOfMemory:
        return ShellFailure{7, "Out of memory"};
    case FileNotFound:
        return ShellFailure{53, "File not found"};
    case PathNotFound:
        return ShellFailure{76, "Path not found"};
    case AccessDenied:
        return ShellFailure{75, "Path/file access error"};
    case BadFormat:
        return ShellFailure{applicationError(result), "The executable file is invalid or corrupt"};
    case SharingViolation:
        return ShellFailure{75, "A sharing violation occurred."};
    case IncompleteAssociation:
        return ShellFailure{applicationError(result),
                            "This file type does not have a valid file association."};
    case DdeTimeout:
        return ShellFailure{286,
                            "The file could not be opened due to time out.  Please try again in a moment."};
    case DdeFailure:
        return ShellFailure{285, "The file could not be opened because the DDE transaction failed.  Please "
                                 "try again in a moment."};
    case DdeBusy:
        return ShellFailure{285, "The file could not be opened because the target application is busy.  "
                                 "Please try again in a moment."};
    case NoAssociation:
        return ShellFailure{applicationError(result), "No application is associated with this file type."};
    case LibraryNotFound:
        return ShellFailure{48, "The specified dynamic-link library was not found."};
    default:
        return ShellFailure{applicationError(result),
                            "An error occurred occurred whilst trying to open or print the selected file."};
    }
}

std::string shellFailureMessage(std::int32_t number, std::string_view text) {
    std::string message = "Error n\u00B0" + std::to_string(number) + "\r";
    message += text;
    return message;
}

std::optional<std::string> noProgramMessage(std::int32_t result, std::string_view item) {
    const std::string named = "\"" + std::string(item) + "\" could not be opened: ";
    switch (result) {
    case shellresult::NoAssociation:
        return named + "no program on this system is set to open this type of file.";
    case shellresult::IncompleteAssociation:
        return named + "the program set to open this type of file is missing or cannot be started.";
    default:
        return std::nullopt;
    }
}

bool ShellDocumentOpener::OpenDocument(std::string_view target, std::int32_t showMode,
                                       std::string_view parameters, std::string_view folder,
                                       std::string_view operation, std::int32_t owner) {
    const ShellRequest request = shellRequestFor(target, showMode, parameters, folder, operation, owner);
    std::string message;
    try {
        const std::int32_t result = shell_.ShellExecuteA(request);
        const std::optional<ShellFailure> failure = shellFailure(result);
        if (!failure) {
            return true;
        }
        // A program given a file names the file; a document names itself.
        const std::string_view item = request.parameters.empty() ? request.target : request.parameters;
        message =
            noProgramMessage(result, item).value_or(shellFailureMessage(failure->number, failure->text));
    } catch (const VbError& error) {
        // The shell never answered, so there is no result to judge: say what went wrong
        // rather than blame a result of 0 ("Out of memory") that nobody returned.
        message = shellFailureMessage(error.number(), error.description());
    } catch (const std::bad_alloc&) {
        message = shellFailureMessage(7, "Out of memory");
    } catch (const std::exception&) {
        const std::optional<ShellFailure> other = shellFailure(shellresult::OtherFailure);
        message = shellFailureMessage(other->number, other->text);
    }
    try {
        boxes_.showRefusal(message);
    } catch (...) {
        // The refusal stands even when it cannot be shown.
    }
    return false;
}

} // namespace quillon::platform
