#include "platform/files/message_boxes.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace quillon::platform {
namespace {

class RecordingBoxes final : public MessageBoxes {
public:
    std::vector<MessageBoxRequest> shown;
    bool failing = false;

protected:
    void showMessageBox(const MessageBoxRequest& request) override {
        if (failing) {
            throw std::runtime_error("no display");
        }
        shown.push_back(request);
    }
};

TEST(MessageBoxes, BoxesWithoutTitleShowTheApplicationTitle) {
    RecordingBoxes boxes;
    boxes.showRefusal("You must choose a HTML File before !");
    boxes.showInformation("Translate this file \r\n\r\n/opt/quillon/English.lng", "");
    boxes.MsgBox("plain", MessageIcon::None, "Own title");
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0], (MessageBoxRequest{"You must choose a HTML File before !",
                                                 MessageIcon::Critical, "Quillon Free"}));
    EXPECT_EQ(boxes.shown[1], (MessageBoxRequest{"Translate this file \r\n\r\n/opt/quillon/English.lng",
                                                 MessageIcon::Information, "Quillon Free"}));
    EXPECT_EQ(boxes.shown[2], (MessageBoxRequest{"plain", MessageIcon::None, "Own title"}));
    EXPECT_EQ(static_cast<int>(MessageIcon::Critical), 16);
    EXPECT_EQ(static_cast<int>(MessageIcon::Information), 64);
}

TEST(MessageBoxErrorReporter, TrappedErrorsReachTheStandardBoxAndTheCallerGoesOn) {
    RecordingBoxes boxes;
    MessageBoxErrorReporter reporter(boxes);
    setErrorReporter(&reporter);
    const int result = trap("BTgo_Click", []() -> int { raise(vberr::PathNotFound, "/nowhere/x.html"); });
    trap("SaveCoulorInFile", [] { throw std::bad_alloc(); });
    setErrorReporter(nullptr);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0], (MessageBoxRequest{"Path not found: /nowhere/x.html", MessageIcon::Critical,
                                                 "ERREUR n\u00B076 in BTgo_Click"}));
    EXPECT_EQ(boxes.shown[1].title, "ERREUR n\u00B07 in SaveCoulorInFile");
}

TEST(MessageBoxErrorReporter, ABoxThatCannotBeShownDoesNotEscapeTheTrap) {
    RecordingBoxes boxes;
    boxes.failing = true;
    MessageBoxErrorReporter reporter(boxes);
    setErrorReporter(&reporter);
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(trap("Cparti", [] { raise(vberr::FileNotFound); }));
    const std::string written = testing::internal::GetCapturedStderr();
    setErrorReporter(nullptr);
    EXPECT_NE(written.find("ERREUR n\u00B053 in Cparti: File not found"), std::string::npos) << written;
}

} // namespace
} // namespace quillon::platform
