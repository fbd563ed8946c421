#pragma once
// The one error type of the program and the path every error takes to the user.
//
// Failures are raised as VbError carrying the number of the matching Visual Basic
// run-time error, so the numbers users and translators know stay the same. Each
// procedure that guards itself runs its body through trap(), which hands a caught
// error to the ErrorReporter its caller names and lets the caller go on.

#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace quillon {

namespace vberr {
inline constexpr int InvalidCall = 5;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileMode = 54;
inline constexpr int FileNotFound = 53;
inline constexpr int DiskFull = 61;
inline constexpr int InputPastEnd = 62;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
// Raised for a source that is binary data: the file is there and readable, it is simply
// not text, which neither the access errors nor "Bad file mode" would tell the user.
inline constexpr int InvalidFileFormat = 321;
} // namespace vberr

// The Visual Basic description of a run-time error number ("File not found" for 53).
std::string_view standardDescription(int number);

class VbError : public std::runtime_error {
public:
    VbError(int number, std::string description);

    int number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }

private:
    int number_;
    std::string description_;
};

// Raises error `number` with its standard description; when `subject` is given (usually a
// path) it is appended as ": subject" so the message names what failed.
[[noreturn]] void raise(int number, std::string_view subject = {});
// Raises with a description of the caller's own.
[[noreturn]] void raiseWithText(int number, std::string description);

// "ERREUR n°53 in Cparti": the title of the standard error box.
std::string trapTitle(int number, std::string_view procedure);
// "ERREUR n°53 in Cparti: File not found": the same error on one line.
std::string trapLine(int number, std::string_view procedure, std::string_view description);

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    virtual void report(int number, std::string_view procedure, std::string_view description) = 0;
};

// Writes trapLine() to standard error.
class StderrErrorReporter final : public ErrorReporter {
public:
    void report(int number, std::string_view procedure, std::string_view description) override;
};

// One stderr reporter for callers that have no reporter of their own; it keeps no state,
// so sharing it shares nothing.
ErrorReporter& stderrErrorReporter();

// The exception being handled, as the error it stands for. Anything that is not a VbError
// (an allocation failure, say) becomes error 7 or 5 with its own text. Only inside a catch.
VbError currentError();

// Hands an escaping exception to `reporter` under `procedure`. Anything that is not a
// VbError (an allocation failure, say) is reported as error 5 with its own text.
void reportCurrentException(ErrorReporter& reporter, std::string_view procedure);

// Runs `body`; an error escaping it is reported to `reporter` under `procedure` and the empty value of
// the result type is returned, as a trapped procedure "returns what it had set so far".
template <class Body>
auto trap(ErrorReporter& reporter, std::string_view procedure, Body&& body) -> decltype(body()) {
    using Result = decltype(body());
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        reportCurrentException(reporter, procedure);
        if constexpr (!std::is_void_v<Result>) {
            return Result{};
        }
    }
}

} // namespace quillon
