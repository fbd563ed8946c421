#pragma once
// The single-file start as the batch run uses it: the batch fills the source and target
// boxes of the "Files" pane and starts exactly as its "Start" button does, with the same
// checks, messages and fences around the conversion.

#include "engine/page_writer.h"

#include <QString>

#include <optional>
#include <string>

namespace quillon::window {

class SingleFileStart {
public:
    virtual ~SingleFileStart() = default;

    // Fills the source and target boxes.
    virtual void setSourceAndTarget(const QString& source, const QString& target) = 0;

    // The check that would refuse a start now; nothing when a start may go. Shows nothing
    // and changes nothing: the batch log uses it to say why a file was not converted.
    virtual std::optional<Refusal> refusal() const = 0;

    // Validates and converts with the window fenced; the outcome says whether the page was
    // written, and if the page writer failed, why.
    virtual PageOutcome BTgo_Click() = 0;
};

} // namespace quillon::window
