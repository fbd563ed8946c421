#include "io/file_system.h"

#include "base/vb_error.h"
#include "io/posix_file.h"
#include "io/text_decoding.h"
#include "io/text_reader.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace quillon::files {

void requireLineWithinLimit(std::size_t length, const std::string& path) {
    if (length > MaxHeldText) {
        raiseWithText(vberr::InvalidFileFormat, "Line longer than 1 MiB: " + path);
    }
}

void requirePlainFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        raiseWithText(vberr::PathFileAccess, "Not a plain file: " + path);
    }
}

std::string readHeldText(const std::string& path) {
    requirePlainFile(path);
    TextReader reader(path);
    if (reader.size() > MaxHeldText) {
        raiseWithText(vberr::InvalidFileFormat, "Larger than 1 MiB: " + path);
    }
    std::string text = reader.ReadAll();
    reader.Close();
    return text;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

namespace {
// What a relative URL may hold as it is: the unreserved characters, the path's "/" and the
// sub-delimiters; ":" is encoded, as in a first segment it would read as a scheme.
bool keptInUrl(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::string_view("-._~/!$&'()*+,;=@").find(static_cast<char>(c)) != std::string_view::npos;
}
} // namespace

StyleSheetLink linkFromPage(const std::string& sheetPath, const std::string& pagePath) {
    namespace fs = std::filesystem;
    std::error_code error;
    // A browser resolves ".." in a link by the text of the page's address, not through
    // symbolic links: so is the link made.
    const fs::path sheet = fs::absolute(sheetPath, error).lexically_normal();
    const fs::path pageFolder = fs::absolute(pagePath, error).lexically_normal().parent_path();
    fs::path relative = sheet.lexically_relative(pageFolder);
    if (relative.empty()) {
        relative = sheet;
    }
    StyleSheetLink link;
    static constexpr char Hex[] = "0123456789ABCDEF";
    for (const char c : relative.generic_string()) {
        const auto byte = static_cast<unsigned char>(c);
        if (keptInUrl(byte)) {
            link.href += c;
        } else {
            link.href += '%';
            link.href += Hex[byte >> 4];
            link.href += Hex[byte & 0xF];
        }
    }
    link.found = FileExists((pageFolder / relative).lexically_normal().string());
    return link;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
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
