#include "lang/qt/form_texts.h"
#include "window_fixture.h"

#include <QStyleOptionButton>

#include <filesystem>

namespace quillon::window::testing {
namespace {

std::string nameOf(const QWidget& control) {
    const QVariant index = control.property(VbIndexProperty);
    return control.objectName().toStdString() +
           (index.isValid() ? "(" + index.toString().toStdString() + ")" : "");
}

// What a control shows of its caption against the room its style gives it, measured the
// way the style draws it.
std::string clipped(QWidget& control) {
    const QFontMetrics metrics = control.fontMetrics();
    auto name = [&] { return nameOf(control); };
    if (auto* label = qobject_cast<QLabel*>(&control)) {
        const QString text = label->text();
        if (text.isEmpty()) {
            return {};
        }
        if (label->wordWrap() ? label->heightForWidth(label->width()) > label->height()
                              : metrics.horizontalAdvance(text) > label->contentsRect().width()) {
            return name() + " \"" + text.toStdString() + "\"";
        }
        return {};
    }
    auto* button = qobject_cast<QAbstractButton*>(&control);
    if (button == nullptr || button->text().isEmpty()) {
        return {};
    }
    QStyleOptionButton option;
    option.initFrom(button);
    const bool tick = qobject_cast<QCheckBox*>(button) != nullptr;
    const QRect room = control.style()->subElementRect(
        tick ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &option, button);
    const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    QString text = button->text();
    text.remove(QLatin1Char('&'));
    if (metrics.horizontalAdvance(text) + icon > room.width()) {
        return name() + " \"" + text.toStdString() + "\"";
    }
    return {};
}

// Controls of one container that cover each other; a frame drawn behind its controls (and
// under the caption box on its border) is no control of the row.
void expectNoOverlap(QWidget& container, const std::string& where) {
    std::vector<QWidget*> shown;
    for (QWidget* control : container.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!control->isHidden() && !control->isWindow()) {
            EXPECT_EQ(clipped(*control), "") << where;
            if (auto* box = qobject_cast<QGroupBox*>(control)) {
                expectNoOverlap(*box, where);
            } else {
                shown.push_back(control);
            }
        }
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const QRect frame =
            qobject_cast<QGroupBox*>(&container) != nullptr ? container.rect() : container.contentsRect();
        EXPECT_TRUE(frame.contains(shown[i]->geometry()))
            << where << ": " << nameOf(*shown[i]) << " leaves its frame";
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            // Designed neighbours may touch by a pixel (15 twips) where the design rounds.
            const QRect common = shown[i]->geometry().intersected(shown[j]->geometry());
            EXPECT_LE(std::min(common.width(), common.height()), 1)
                << where << ": " << nameOf(*shown[i]) << " covers " << nameOf(*shown[j]);
        }
    }
}

class TextFitTest : public WindowTest {};

TEST_F(TextFitTest, EveryCaptionOfEveryShippedLanguageFitsWithoutCoveringItsNeighbours) {
    int languages = 0;
    for (const auto& entry : std::filesystem::directory_iterator(test::programDir())) {
        if (entry.path().extension() != ".lng") {
            continue;
        }
        ++languages;
        lang::TranslateForm(*window, entry.path().string());
        for (int pane = 0; pane < PaneCount; ++pane) {
            window->selectPane(pane);
            QApplication::processEvents();
            expectNoOverlap(window->FrameSTEP(pane),
                            entry.path().filename().string() + " pane " + std::to_string(pane));
        }
    }
    EXPECT_GE(languages, 2);
}

} // namespace
} // namespace quillon::window::testing
