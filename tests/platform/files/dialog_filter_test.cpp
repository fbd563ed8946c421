#include "platform/files/dialog_filter.h"

#include <gtest/gtest.h>

namespace quillon::platform {
namespace {

struct FilterCase {
    const char* extensions;
    FileDialogKind kind;
    const char* filter;
};

constexpr auto Open = FileDialogKind::Open;
constexpr auto Save = FileDialogKind::Save;

TEST(DialogFilter, IsBuiltByTheFixedRules) {
    const FilterCase cases[] = {
        // The lists the program passes.
        {"frm bas cls ctl pag txt *", Open,
         "FRM Files |*.FRM|BAS Files |*.BAS|CLS Files |*.CLS|CTL Files |*.CTL|PAG Files |*.PAG|"
         "TXT Files |*.TXT|* Files|*.*"},
        {"txt *", Open, "TXT Files |*.TXT|* Files|*.*"},
        {"CSS", Open, "Fichiers CSS|*.CSS"},
        {"CSS", Save, "Fichiers CSS|*.CSS"},
        {"HTML HTM", Save, "Fichiers HTML|*.HTML|Fichiers HTM|*.HTM"},
        // The same lists in the other dialog.
        {"HTML HTM", Open, "HTML Files |*.HTML|HTM Files|*.HTM"},
        {"txt *", Save, "Fichiers TXT|*.TXT|Fichiers *|*.*"},
        // Upper case whatever the input.
        {"css", Open, "Fichiers CSS|*.CSS"},
        {"Frm bAs", Open, "FRM Files |*.FRM|BAS Files|*.BAS"},
        {"*", Open, "Fichiers *|*.*"},
        // Empty list: all files, in the dialog's language.
        {"", Open, "ALL FILES (*.*)|*.*"},
        {"", Save, "Tous les fichiers (*.*)|*.*"},
        // Two blanks in a row give an empty item.
        {"txt  css", Open, "TXT Files |*.TXT| Files |*.|CSS Files|*.CSS"},
        {"txt  css", Save, "Fichiers TXT|*.TXT|Fichiers |*.|Fichiers CSS|*.CSS"},
        // A trailing blank gives an empty last item; a leading one an empty first item.
        {"txt ", Open, "TXT Files |*.TXT| Files|*."},
        {"txt ", Save, "Fichiers TXT|*.TXT|Fichiers |*."},
        {" txt", Open, " Files |*.|TXT Files|*.TXT"},
        // A blank alone is a list of two empty items.
        {" ", Open, " Files |*.| Files|*."},
    };
    for (const FilterCase& c : cases) {
        EXPECT_EQ(buildDialogFilter(c.extensions, c.kind), c.filter)
            << '"' << c.extensions << "\" " << (c.kind == Open ? "open" : "save");
    }
}

TEST(DialogFilter, ProgramListHasSevenPairsWithBlankBeforeEachBarButTheLast) {
    const auto pairs = splitDialogFilter(buildDialogFilter("frm bas cls ctl pag txt *", Open));
    ASSERT_EQ(pairs.size(), 7u);
    for (std::size_t i = 0; i + 1 < pairs.size(); ++i) {
        EXPECT_EQ(pairs[i].description.back(), ' ') << i;
    }
    EXPECT_EQ(pairs.back(), (FilterPair{"* Files", "*.*"}));
}

TEST(DialogFilter, SplitsIntoPairsKeepingEmptyParts) {
    EXPECT_EQ(splitDialogFilter("TXT Files |*.TXT| Files|*."),
              (std::vector<FilterPair>{{"TXT Files ", "*.TXT"}, {" Files", "*."}}));
    EXPECT_EQ(splitDialogFilter("|*.|x|"), (std::vector<FilterPair>{{"", "*."}, {"x", ""}}));
    EXPECT_EQ(splitDialogFilter("Alone"), (std::vector<FilterPair>{{"Alone", ""}}));
    EXPECT_TRUE(splitDialogFilter("").empty());
}

} // namespace
} // namespace quillon::platform
