#include "window/batch_pane.h"
#include "window_fixture.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <map>

namespace quillon::window::testing {
namespace {

class WindowSizeTest : public WindowTest {
protected:
    std::map<QWidget*, QRect> places() {
        std::map<QWidget*, QRect> result;
        for (QWidget* control : window->findChildren<QWidget*>()) {
            result[control] = control->geometry();
        }
        return result;
    }
};

// Larger, the boxes and lists take the room and the buttons keep their size by their edge;
// back at the design size everything is where it was; the size outlives the window.
TEST_F(WindowSizeTest, BoxesTakeTheRoomButtonsKeepTheirPlaceAndTheSizeIsKept) {
    const QSize design = window->size();
    EXPECT_EQ(window->minimumSize(), design);
    for (int pane = 0; pane < PaneCount; ++pane) {
        window->selectPane(pane);
    }
    window->selectPane(FilesPaneIndex);
    const auto before = places();

    window->resize(design + QSize(300, 200));
    QApplication::processEvents();
    auto grew = [&](QWidget& control) { return control.size() - before.at(&control).size(); };
    auto moved = [&](QWidget& control) { return control.pos() - before.at(&control).topLeft(); };
    EXPECT_EQ(grew(files().TXTsource()), QSize(300, 0));
    EXPECT_EQ(moved(files().BTgo()), QPoint(300, 200));
    EXPECT_EQ(grew(files().BTgo()), QSize(0, 0));
    EXPECT_EQ(grew(PBC()), QSize(300, 0));
    EXPECT_EQ(grew(direct().TXTorigine()), QSize(300, 100));
    EXPECT_EQ(grew(window->batch().LSTdo()), QSize(150, 200));
    EXPECT_EQ(grew(window->batch().BTstartBatch()), QSize(0, 0));
    EXPECT_EQ(moved(window->batch().BTstartBatch()), QPoint(300, 0));

    window->resize(design);
    QApplication::processEvents();
    EXPECT_EQ(places(), before);

    window->resize(design + QSize(90, 60));
    window->close();
    window = std::make_unique<FRMain>(services);
    window->Form_Load();
    EXPECT_EQ(window->size(), design + QSize(90, 60));
}

} // namespace
} // namespace quillon::window::testing
