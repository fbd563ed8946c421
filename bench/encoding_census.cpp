// How the files of a real project are decided, against the code page the project is
// known to be written in: quillon-encoding-census CODEPAGE FILE...
//
// For each file with bytes outside ASCII: the decision and its evidence, alone and with
// the hint of its folder, whether the file is valid in the project's code page, and
// whether its text comes out as it would in that code page. Files in one folder are
// hinted as a batch would hint them. The last line sums it up.

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
    }
    return "?";
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
    for (const auto& [folder, members] : folders) {
        EncodingHint hint;
        for (const File& file : members) {
            hint.add(file.verdict);
        }
        for (const File& file : members) {
            ++files;
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
    return 0;
}
