#pragma once
// The file-type filter of the open and save dialogs, built from a blank-separated list of
// extensions ("frm bas cls ctl pag txt *", "CSS"). The filter is the common dialogs' own
// text form: descriptions and patterns alternating, separated by "|".

#include <string>
#include <string_view>
#include <vector>

namespace quillon::platform {

// A folder dialog lists folders alone and has no filter.
enum class FileDialogKind { Open, Save, Folder };

// The open dialog describes listed items in English ("FRM Files "), the save dialog and a
// single extension in French ("Fichiers CSS"). The odd blanks are part of the texts users
// have always seen, so they are kept to the character.
std::string buildDialogFilter(std::string_view extensions, FileDialogKind kind);

struct FilterPair {
    std::string description;
    std::string pattern;

    friend bool operator==(const FilterPair&, const FilterPair&) = default;
};

// The pairs of a filter text, in order. A trailing description without a pattern gets an
// empty one.
std::vector<FilterPair> splitDialogFilter(std::string_view filter);

} // namespace quillon::platform
