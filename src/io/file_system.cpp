#include "io/file_system.h"

#include "base/vb_error.h"
#include "io/file_errors.h"
#include "io/posix_file.h"
#include "io/text_decoding.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace quillon::files {

bool FileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::uint64_t fileSize(const std::string& path) {
    if (path.empty()) {
        raise(vberr::FileNotFound, path);
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        raiseFileError(errno, path, FileAccess::Read);
    }
    if (S_ISDIR(info.st_mode)) {
        raise(vberr::PathFileAccess, path);
    }
    return static_cast<std::uint64_t>(info.st_size);
}

TextPrefix readTextPrefix(const std::string& path, std::size_t maxBytes) {
    struct stat info {};
    detail::FileDescriptor file = detail::openForReading(path, info);
    std::string bytes(maxBytes, '\0');
    std::size_t size = 0;
    bool complete = false;
    while (size < maxBytes) {
        const std::size_t got = detail::readSome(file.get(), bytes.data() + size, maxBytes - size, path);
        if (got == 0) {
            complete = true;
            break;
        }
        size += got;
    }
    if (!complete) {
        char probe;
        complete = detail::readSome(file.get(), &probe, 1, path) == 0;
    }
    bytes.resize(size);
    EncodingDetector detector;
    detector.feed(bytes);
    const EncodingDecision decision = detector.decide(complete);
    if (!decision.textHoldsNulBytes() && bytes.find('\0') != std::string::npos) {
        raiseWithText(vberr::InvalidFileFormat, "Not a text file: " + path);
    }
    TextPrefix prefix;
    prefix.complete = complete;
    if (complete) {
        prefix.text = decodeText(bytes, decision);
        return prefix;
    }
    // Keep whole lines only, found in the decoded text (in UTF-16 a byte 0x0A can be half
    // of any character); a character cut by the end of the bytes read is left out with
    // the rest of its line.
    const std::string_view body = std::string_view(bytes).substr(std::min(decision.bomLength, bytes.size()));
    if (decision.encoding == TextEncoding::Utf8) {
        EncodingDecision markSkipped = decision;
        markSkipped.bomLength = 0;
        prefix.text = decodeText(body.substr(0, body.find_last_of("\r\n") + 1), markSkipped);
        return prefix;
    }
    TextDecoder decoder(decision);
    decoder.decode(prefix.text, body);
    const std::size_t lastBreak = prefix.text.find_last_of("\r\n");
    prefix.text.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
    return prefix;
}

std::vector<std::string_view> splitTextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

} // namespace quillon::files
