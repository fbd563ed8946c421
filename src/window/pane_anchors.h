#pragma once
// How each pane's controls follow a window made larger than designed: the big boxes and
// lists take the room, the buttons keep their size and stay by the edge they belong to.

namespace quillon::window {

class PaneLayout;

void anchorPaneControls(PaneLayout& layout, int pane);

} // namespace quillon::window
