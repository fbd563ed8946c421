#pragma once
// Keeps a pane's controls where the design puts them while their texts and the pane's size
// change. Each control remembers its designed rectangle; on every change the pane is laid out
// again from those rectangles, so a language chosen twice or a window resized back ends where
// it started. A caption wider than its control widens it, and what lies to its right on the
// same row moves along: a box or list gives up its left part, anything else shifts right.
// When the row would leave the pane, a label wraps instead.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

namespace quillon::window {

// How one edge pair of a control follows the pane when it is larger than designed: the
// share of the extra room that moves the control and the share that widens it.
struct Follow {
    double move = 0.0;
    double grow = 0.0;
};
inline constexpr Follow StayPut{0.0, 0.0};
inline constexpr Follow Stretch{0.0, 1.0};
inline constexpr Follow MoveAlong{1.0, 0.0};

// The width a control needs to show its whole caption on one line; 0 for controls that
// carry no caption of their own (boxes, lists, icons).
int captionWidth(const QWidget& control);

class PaneLayout : public QObject {
public:
    // Takes the pane's current size and its controls' current places as the design.
    explicit PaneLayout(QWidget& pane);

    // How the control named `name` (every member of a group of that name) follows a larger
    // pane; every control stays put unless told otherwise.
    void follow(const QString& name, Follow horizontal, Follow vertical);

    // Lays the pane out again for its current size and its controls' current captions.
    void apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Item {
        QPointer<QWidget> control;
        QRect design;
        Follow horizontal;
        Follow vertical;
    };
    void record(QWidget& container);
    void fitRow(std::vector<Item*>& siblings, int limit);

    QWidget& pane_;
    QSize designSize_;
    std::vector<Item> items_;
    bool applying_ = false;
};

} // namespace quillon::window
