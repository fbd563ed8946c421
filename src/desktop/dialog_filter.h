#pragma once
// The file-type filter of the open and save dialogs, built from a blank-separated list of
// extensions ("frm;bas;cls;ctl;pag frm bas cls ctl pag txt *", "css"). The filter is the
// common dialogs' own text form: descriptions and patterns alternating, separated by "|".

#include <string>
#include <string_view>
#include <vector>

namespace quillon::platform {

// A folder dialog lists folders alone and has no filter.
enum class FileDialogKind { Open, Save, Folder };

// The words of the descriptions, in the window's language. The caller looks them up: the
// language files sit above the dialogs.
struct FilterWords {
    std::string sources = "VB6 sources"; // every Visual Basic source at once
    std::string files = "%1 Files";      // one extension, "%1" standing for it in capitals
    std::string allFiles = "All files";

    friend bool operator==(const FilterWords&, const FilterWords&) = default;
};

// One pair per item of `extensions`, in order: "*" stands for every file, and an item that
// joins extensions with ";" lists them together as the sources. Each description ends with
// its patterns in lower case, "CSS Files (*.css)", since the dialog may hide the patterns
// themselves; the patterns are upper case, as the names of the classic desktop were. An
// empty list gives every file.
std::string buildDialogFilter(std::string_view extensions, const FilterWords& words = {});

struct FilterPair {
    std::string description;
    std::string pattern;

    friend bool operator==(const FilterPair&, const FilterPair&) = default;
};

// The pairs of a filter text, in order. A trailing description without a pattern gets an
// empty one.
std::vector<FilterPair> splitDialogFilter(std::string_view filter);

} // namespace quillon::platform
