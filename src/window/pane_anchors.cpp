#include "window/pane_anchors.h"

#include "window/pane_host.h"
#include "window/pane_layout.h"

#include <QString>

namespace quillon::window {

namespace {

struct Anchor {
    const char* name;
    Follow horizontal;
    Follow vertical;
};

// The path boxes widen; their buttons stay at their right end; the links stay centred under
// the centred captions above them; the bottom row stays at the bottom.
constexpr Anchor FilesAnchors[] = {
    {"TXTsource", Stretch, StayPut},        {"BTchoseSource", MoveAlong, StayPut},
    {"BTviewVB", MoveAlong, StayPut},       {"TXTtarget", Stretch, StayPut},
    {"BTchooseTarget", MoveAlong, StayPut}, {"BTviewHTML", MoveAlong, StayPut},
    {"Frame1", Stretch, StayPut},           {"TXThead", Stretch, StayPut},
    {"BTopenHead", MoveAlong, StayPut},     {"BTviewHead", MoveAlong, StayPut},
    {"TXTfoot", Stretch, StayPut},          {"BTfoot", MoveAlong, StayPut},
    {"BTviewFoot", MoveAlong, StayPut},     {"Label4", Stretch, StayPut},
    {"Label6", Stretch, StayPut},           {"LBLurl", {0.5, 0.0}, StayPut},
    {"Label5", {0.5, 0.0}, StayPut},        {"cmdTranslate", StayPut, MoveAlong},
    {"BTgo", MoveAlong, MoveAlong},
};

// The three lists share the width; the log and its bar take the right half of it.
constexpr Anchor BatchAnchors[] = {
    {"DriveList", {0.0, 0.25}, StayPut}, {"FolderList", {0.0, 0.25}, Stretch},
    {"Label7", {0.25, 0.0}, StayPut},    {"FileList", {0.25, 0.25}, Stretch},
    {"chkAllFile", {0.5, 0.0}, StayPut}, {"BTstartBatch", MoveAlong, StayPut},
    {"LSTdo", {0.5, 0.5}, Stretch},      {"PBfile", {0.5, 0.5}, MoveAlong},
    {"BTproject", {0.5, 0.0}, StayPut},
};

// The two boxes share the height; the row between them moves with the first one's end.
constexpr Follow HalfDown{0.5, 0.0};
constexpr Anchor DirectAnchors[] = {
    {"TXTorigine", Stretch, {0.0, 0.5}},   {"Label11", StayPut, HalfDown},  {"Image1", StayPut, HalfDown},
    {"BTconvert", HalfDown, HalfDown},     {"BTcopy", HalfDown, HalfDown},  {"CBformat", HalfDown, HalfDown},
    {"BTstop", MoveAlong, HalfDown},       {"Image2", MoveAlong, HalfDown}, {"Label12", MoveAlong, HalfDown},
    {"TXTtransform", Stretch, {0.5, 0.5}},
};

template <std::size_t N> void anchor(PaneLayout& layout, const Anchor (&anchors)[N]) {
    for (const Anchor& a : anchors) {
        layout.follow(QString::fromLatin1(a.name), a.horizontal, a.vertical);
    }
}

} // namespace

void anchorPaneControls(PaneLayout& layout, int pane) {
    switch (pane) {
    case FilesPaneIndex:
        anchor(layout, FilesAnchors);
        break;
    case BatchPaneIndex:
        anchor(layout, BatchAnchors);
        break;
    case DirectPaneIndex:
        anchor(layout, DirectAnchors);
        break;
    default:
        // The colour pane has no box or list that more room would help.
        break;
    }
}

} // namespace quillon::window
