#pragma once
// The clipboard of the running Qt application, offering every format of one copy under its
// usual MIME types.

#include "desktop/clipboard.h"

namespace quillon::platform {

class QtClipboard final : public Clipboard {
public:
    void put(const ClipboardContent& content) override;
};

} // namespace quillon::platform
