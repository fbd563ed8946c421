#pragma once
// The "Files" pane as the batch run's single-file start.

#include "window/single_file_start.h"

namespace quillon::window {

class FilesPane;

class FilesPaneStart final : public SingleFileStart {
public:
    explicit FilesPaneStart(FilesPane& files) : files_(files) {}

    void setSourceAndTarget(const QString& source, const QString& target) override;
    std::optional<Refusal> refusal() const override;
    PageOutcome BTgo_Click() override;

private:
    FilesPane& files_;
};

} // namespace quillon::window
