#include "base/vb_error.h"

#include <cstdio>
#include <new>

namespace quillon {

std::string_view standardDescription(int number) {
    switch (number) {
    case vberr::InvalidCall:
        return "Invalid procedure call or argument";
    case vberr::TypeMismatch:
        return "Type mismatch";
    case vberr::FileNotFound:
        return "File not found";
    case vberr::BadFileMode:
        return "Bad file mode";
    case vberr::DiskFull:
        return "Disk full";
    case vberr::InputPastEnd:
        return "Input past end of file";
    case vberr::PermissionDenied:
        return "Permission denied";
    case vberr::PathFileAccess:
        return "Path/File access error";
    case vberr::PathNotFound:
        return "Path not found";
    case vberr::InvalidFileFormat:
        return "Invalid file format";
    default:
        return "Application-defined or object-defined error";
    }
}

VbError::VbError(int number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

void raise(int number, std::string_view subject) {
    std::string text(standardDescription(number));
    if (!subject.empty()) {
        text += ": ";
        text += subject;
    }
    throw VbError(number, std::move(text));
}

void raiseWithText(int number, std::string description) {
    throw VbError(number, std::move(description));
}

std::string trapTitle(int number, std::string_view procedure) {
    std::string title = "ERREUR n\u00B0" + std::to_string(number) + " in ";
    title += procedure;
    return title;
}

std::string trapLine(int number, std::string_view procedure, std::string_view description) {
    std::string line = trapTitle(number, procedure);
    line += ": ";
    line += description;
    return line;
}

void StderrErrorReporter::report(int number, std::string_view procedure, std::string_view description) {
    const std::string line = trapLine(number, procedure, description) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

ErrorReporter& stderrErrorReporter() {
    static StderrErrorReporter reporter;
    return reporter;
}

VbError currentError() {
    try {
        throw;
    } catch (const VbError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return {7, "Out of memory"};
    } catch (const std::exception& error) {
        return {vberr::InvalidCall, error.what()};
    }
}

void reportCurrentException(ErrorReporter& reporter, std::string_view procedure) {
    const VbError error = currentError();
    reporter.report(error.number(), procedure, error.description());
}

} // namespace quillon
