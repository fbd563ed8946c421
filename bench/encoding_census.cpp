// How the files of a real project are decided, against the code page the project is
// known to be written in: quillon-encoding-census CODEPAGE FILE...
//
// For each file with bytes outside ASCII: the decision and its evidence, alone and with
// the hint of its folder, whether the file is valid in the project's code page, and
// whether its text comes out as it would in that code page. Files in one folder are
// hinted as a batch would hint them. Where a file has its page beside it (FILE.html, as
// `quillon-cli batch` writes it), the text a browser shows of the page's PRE block (tags
// removed, the three entities decoded) is compared with the source's lines as the page
// must show them, decoded as the batch decides. The last lines sum it up.

#include "io/file_system.h"
#include "io/text_reader.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace quillon::files;

std::string readAll(const std::string& path) {
    std::string bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char block[65536];
        for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) {
            bytes.append(block, got);
        }
        std::fclose(file);
    }
    return bytes;
}

const char* evidenceName(EncodingEvidence evidence) {
    switch (evidence) {
    case EncodingEvidence::None:
        return "none";
    case EncodingEvidence::Weak:
        return "weak";
    case EncodingEvidence::Strong:
        return "strong";
    case EncodingEvidence::Contested:
        return "contested";
    }
    return "?";
}

// What a browser shows of the PRE block of `page`; none when the page has no such block or
// its markup is not the page writer's.
std::optional<std::string> shownText(const std::string& page) {
    const std::size_t open = page.find("<PRE>\r\n");
    const std::size_t close = page.rfind("</pre>\r\n");
    if (open == std::string::npos || close == std::string::npos || close < open + 7) {
        return std::nullopt;
    }
    const std::string_view body = std::string_view(page).substr(open + 7, close - open - 7);
    std::string text;
    bool inTag = false;
    for (std::size_t i = 0; i < body.size();) {
        const std::string_view rest = body.substr(i);
        if (!inTag && rest.starts_with("<a class=") && rest.size() >= 11 && rest[10] == '>') {
            inTag = true;
            i += 11;
        } else if (inTag && rest.starts_with("</a>")) {
            inTag = false;
            i += 4;
        } else if (rest.starts_with("&amp;") || rest.starts_with("&lt;") || rest.starts_with("&gt;")) {
            text += rest[1] == 'a' ? '&' : rest[1] == 'l' ? '<' : '>';
            i += rest[1] == 'a' ? 5 : 4;
        } else if (rest[0] == '<' || rest[0] == '>' || rest[0] == '&') {
            return std::nullopt;
        } else {
            text += body[i++];
        }
    }
    return inTag ? std::nullopt : std::optional(text);
}

// The lines a page shows of its decoded source: after the attribute lines that follow
// "Attribute VB_Name" (the first with one space added) unless that leaves less than two
// lines, and never a line that starts "Attribute".
std::string pageLines(std::string_view decoded) {
    const std::vector<std::string_view> lines = splitTextLines(decoded);
    std::size_t first = 0;
    bool spaced = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].starts_with("Attribute VB_Name")) {
            std::size_t body = i + 1;
            while (body < lines.size() && lines[body].starts_with("Attribute")) {
                ++body;
            }
            if (body + 1 < lines.size()) {
                first = body;
                spaced = true;
            }
            break;
        }
    }
    std::string out;
    for (std::size_t i = first; i < lines.size(); ++i) {
        if (!lines[i].starts_with("Attribute")) {
            out += lines[i];
            out += i == first && spaced ? " \r\n" : "\r\n";
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s CODEPAGE FILE...\n", argv[0]);
        return 2;
    }
    const std::optional<EncodingDecision> project = encodingNamed(argv[1]);
    if (!project) {
        std::fprintf(stderr, "unknown code page %s\n", argv[1]);
        return 2;
    }
    struct File {
        std::string path;
        EncodingVerdict verdict;
    };
    std::map<std::string, std::vector<File>> folders;
    for (int i = 2; i < argc; ++i) {
        const std::string path = argv[i];
        const std::string folder = path.substr(0, path.find_last_of('/') + 1);
        try {
            folders[folder].push_back({path, examineEncoding(path)});
        } catch (...) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
        }
    }
    int files = 0;
    int legacy = 0;
    int valid = 0;
    int differAlone = 0;
    int differHinted = 0;
    int differValidHinted = 0;
    int pages = 0;
    int pagesDiffering = 0;
    for (const auto& [folder, members] : folders) {
        EncodingHint hint;
        for (const File& file : members) {
            hint.add(file.verdict);
        }
        for (const File& file : members) {
            ++files;
            const std::string page = readAll(file.path + ".html");
            if (!page.empty()) {
                ++pages;
                const std::string shown =
                    pageLines(decodeText(readAll(file.path), hint.decisionFor(file.verdict)));
                if (shownText(page) != shown) {
                    ++pagesDiffering;
                    std::printf("%s\tpage text differs from the source\n", file.path.c_str());
                }
            }
            if (file.verdict.evidence == EncodingEvidence::None) {
                continue; // ASCII, UTF-8 or marked: no code page involved
            }
            ++legacy;
            const std::string bytes = readAll(file.path);
            TextDecoder checker(*project);
            std::string expected;
            checker.decode(expected, bytes);
            checker.finish(expected);
            const bool validInProject = checker.rejectedBytes() == 0;
            valid += validInProject ? 1 : 0;
            const EncodingDecision hinted = hint.decisionFor(file.verdict);
            const bool sameAlone = decodeText(bytes, file.verdict.decision) == expected;
            const bool sameHinted = decodeText(bytes, hinted) == expected;
            differAlone += sameAlone ? 0 : 1;
            differHinted += sameHinted ? 0 : 1;
            differValidHinted += !sameHinted && validInProject ? 1 : 0;
            if (!sameHinted) {
                std::printf("%s\t%s\t%s\thinted %s\t%s\n", file.path.c_str(),
                            file.verdict.decision.name().c_str(), evidenceName(file.verdict.evidence),
                            hinted.name().c_str(),
                            validInProject ? "valid in project" : "not valid in project");
            }
        }
    }
    std::printf("files %d, with a code page %d, valid in %s %d; decoded otherwise: alone %d, with the folder "
                "hint %d (of them valid in the project's code page: %d)\n",
                files, legacy, project->name().c_str(), valid, differAlone, differHinted, differValidHinted);
    std::printf("pages %d, whose text differs from the source %d\n", pages, pagesDiffering);
    return 0;
}
