#pragma once
// The single-file start as the batch run uses it: the batch fills the source and target
// boxes of the "Files" pane and starts exactly as its "Start" button does, with the same
// checks, messages and fences around the conversion.

#include <QString>

#include <optional>
#include <string>

namespace quillon::window {

class SingleFileStart {
public:
    virtual ~SingleFileStart() = default;

    // Fills the source and target boxes.
    virtual void setSourceAndTarget(const QString& source, const QString& target) = 0;

    // The check that would refuse a start now, as the key of the message it would show
    // ("msg3" to "msg7"); nothing when a start may go. Shows nothing and changes nothing:
    // the batch log uses it to say why a file was not converted.
    virtual std::optional<std::string> refusal() const = 0;

    // Validates and converts with the window fenced. True only when the page was written.
    virtual bool BTgo_Click() = 0;

    // The line count of the most recent page conversion; kept when a start is refused.
    virtual long LineCount() const = 0;
};

} // namespace quillon::window
