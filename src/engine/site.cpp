#include "engine/site.h"

#include "base/ascii_text.h"
#include "engine/html_text.h"
#include "engine/outline.h"
#include "engine/vb_project.h"
#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/text_reader.h"
#include "scheme/style_sheet.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace quillon {

namespace fs = std::filesystem;

namespace {

constexpr char ManifestHeading[] = "quillon site manifest 1";
constexpr char SiteSheetName[] = "site.css";
constexpr char SchemeSheetName[] = "style.css";

// The gutter is generated content: its numbers are never part of the code's text, so a
// reader who selects and copies the code gets the source alone. The navigation, the
// outline and the line a link points at read on any scheme's background; the index has
// its own light colours.
constexpr char SiteRules[] =
    R"(span.l::before { content: attr(data-n); display: inline-block; min-width: 4ch; padding-right: 1ch; margin-right: 1ch; text-align: right; color: #888; border-right: 1px solid #ccc; user-select: none; -webkit-user-select: none; }
span.l:target { background: rgba(255, 220, 0, 0.3); }
nav.site, nav.outline, body.index { font-family: sans-serif; font-size: 0.9em; }
nav.site a, nav.outline a { color: inherit; text-decoration: underline; text-decoration-color: #888; }
body.index a { color: #0645ad; text-decoration: none; }
body.index a:hover { text-decoration: underline; }
nav.outline ul { margin: 0.3em 0; padding-left: 1.5em; columns: 18em; }
nav.outline .kind, nav.outline .scope { opacity: 0.65; }
body.index table { border-collapse: collapse; margin: 0.5em 0 1em; }
body.index th, body.index td { border: 1px solid #ccc; padding: 0.2em 0.6em; text-align: left; }
body.index td.count { text-align: right; }
body.index tr.missing td { color: #a00; }
)";

// What tells a later run that an output's text changed. FNV-1a taken eight bytes at a
// time, each step's high bits folded down so that every byte reaches the whole hash: the
// extras of a page run to kilobytes, and a multiplication per byte was a visible part of
// planning a site.
std::uint64_t fingerprint(std::string_view text, std::uint64_t hash = 1469598103934665603ULL) {
    constexpr std::uint64_t Prime = 1099511628211ULL;
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + at, 8);
        hash = (hash ^ word) * Prime;
        hash ^= hash >> 32;
    }
    for (; at < text.size(); ++at) {
        hash = (hash ^ static_cast<unsigned char>(text[at])) * Prime;
    }
    return hash;
}

std::string hexOf(std::uint64_t value) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4) {
        out[static_cast<std::size_t>(i)] = Digits[value & 15];
    }
    return out;
}

// The address of `target` from the page `from`, both relative to the site's folder, with
// "/" between their parts and no "." or ".." among them (as the site names its files).
// Every page asks for several: the common folders are dropped as text, without taking
// the paths apart.
std::string hrefOf(std::string_view from, std::string_view target) {
    const std::size_t slash = from.rfind('/');
    std::string_view folder = from.substr(0, slash == std::string_view::npos ? 0 : slash + 1);
    while (!folder.empty()) {
        const std::string_view part = folder.substr(0, folder.find('/') + 1);
        if (!target.starts_with(part)) {
            break;
        }
        folder.remove_prefix(part.size());
        target.remove_prefix(part.size());
    }
    std::string out;
    for (const char c : folder) {
        if (c == '/') {
            out += "../";
        }
    }
    for (const unsigned char c : target) {
        if (std::isalnum(c) != 0 ||
            std::string_view("/._-~").find(static_cast<char>(c)) != std::string_view::npos) {
            out += static_cast<char>(c);
        } else {
            static constexpr char Digits[] = "0123456789ABCDEF";
            out += '%';
            out += Digits[c >> 4];
            out += Digits[c & 15];
        }
    }
    return out;
}

// A form's binary resources: Form1.frm keeps them in Form1.frx, and so on.
std::optional<std::string> resourceExtension(const std::string& path) {
    static const std::map<std::string, std::string> Resources = {
        {".frm", ".frx"}, {".ctl", ".ctx"}, {".pag", ".pgx"}, {".dob", ".dox"}, {".dsr", ".dsx"}};
    const auto found = Resources.find(asciiLower(fs::path(path).extension().string()));
    return found == Resources.end() ? std::nullopt : std::optional<std::string>(found->second);
}

// The size and the time of the last change of a file, from one look at it: what tells a
// later run that the file changed.
std::string fileStamp(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return "0-" + std::to_string(fs::file_time_type::min().time_since_epoch().count());
    }
    using namespace std::chrono;
    const sys_time<nanoseconds> changed(seconds(info.st_mtim.tv_sec) + nanoseconds(info.st_mtim.tv_nsec));
    return std::to_string(info.st_size) + "-" +
           std::to_string(file_clock::from_sys(changed).time_since_epoch().count());
}

struct Member {
    const ProjectMember* source = nullptr;
    std::string relative; // the copy's path in the site; the page adds ".html"
    std::optional<std::string> resource;
    std::string resourceRelative;
    std::string stamp; // of the source, and of its resource file
    std::string resourceStamp;
    bool paged = false; // a source with a page of its own (not a related document)
    long lines = 0;
    std::size_t procedures = 0;
    // The page's outline, as written, and the anchors it links to: held from the reading
    // of the source to its page, for every member at once, so kept in their final form.
    std::string outlineMarkup;
    std::vector<std::pair<long, std::string>> anchors;
    std::string encoding;
    files::EncodingVerdict verdict;
    // How the page reads the source: decided with the project's other members.
    std::optional<files::EncodingDecision> decision;
    std::optional<std::string> readFailure;
    std::string page() const { return relative + ".html"; }
};

struct Project {
    VbProject project;
    std::string folder; // in the site, "" or "Name/"
    std::vector<Member> members;
    std::vector<std::size_t> missing; // indexes into project.members
    std::string index() const { return folder + "index.html"; }
};

// An output the site writes: text it made, a copy of a file, or a page.
struct Output {
    std::string relative;
    std::string stamp;
    std::optional<std::string> text;
    std::string copyOf;
    std::string pageSource;
    std::optional<files::EncodingDecision> pageDecision = std::nullopt;
};

// `path` relative to `base`, an absolute folder in normal form; a relative `path` starts
// from `workingFolder`.
std::string relativeInProject(const fs::path& base, const fs::path& workingFolder, const std::string& path) {
    const fs::path file = (workingFolder / path).lexically_normal();
    fs::path out;
    for (const fs::path& part : file.lexically_relative(base)) {
        out /= part == ".." ? fs::path("_parent") : part;
    }
    return out.empty() ? file.filename().generic_string() : out.generic_string();
}

std::string folderName(std::string name, std::set<std::string>& taken) {
    for (char& c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '-' && c != '_' && c != '.') {
            c = '_';
        }
    }
    if (name.empty() || name.front() == '.') {
        name = "project" + name;
    }
    std::string unique = name;
    for (int n = 2; !taken.insert(asciiLower(unique)).second; ++n) {
        unique = name + "_" + std::to_string(n);
    }
    return unique + "/";
}

// Appends the pieces to `out`, with no text made on the way.
void append(std::string& out, std::initializer_list<std::string_view> pieces) {
    for (const std::string_view piece : pieces) {
        out.append(piece);
    }
}

void takeOutline(Member& member, std::vector<OutlineEntry> outline) {
    member.procedures = outline.size();
    member.outlineMarkup.clear();
    member.anchors.clear();
    if (outline.empty()) {
        return;
    }
    std::string& markup = member.outlineMarkup;
    markup = "<nav class=\"outline\"><ul>\r\n";
    member.anchors.reserve(outline.size());
    for (OutlineEntry& entry : outline) {
        append(markup, {"<li><a href=\"#", attributeText(entry.anchor), "\">"});
        if (!entry.scope.empty()) {
            append(markup, {"<span class=\"scope\">", entry.scope, "</span> "});
        }
        append(markup,
               {"<span class=\"kind\">", entry.kind, "</span> ", attributeText(entry.name), "</a></li>\r\n"});
        member.anchors.emplace_back(entry.line, std::move(entry.anchor));
    }
    markup += "</ul></nav>\r\n";
    markup.shrink_to_fit();
}

// The lines, the outline and how the member's own bytes decide its code page.
void study(Member& member, const std::string& encoding,
           const std::optional<files::EncodingDecision>& decided = std::nullopt) {
    const std::string& path = member.source->path;
    try {
        // A large source is read once, taken for UTF-8 on its first chunk; should it turn
        // out not to be, it is studied again, decided whole.
        files::readOnceOrDecideWhole(!decided, [&](files::TextReader::Restartable restartable) {
            files::TextReader reader =
                decided ? files::TextReader(path, *decided) : files::TextReader(path, encoding, restartable);
            OutlineBuilder outline;
            if (reader.wholeFile()) {
                // Read whole anyway: its lines are taken where they lie, none copied on its own.
                files::requireLineWithinLimit(outline.addText(reader.ReadAll()), path);
            } else {
                std::string line;
                while (reader.readLine(line)) {
                    outline.add(line);
                }
            }
            member.lines = outline.lines();
            takeOutline(member, outline.take());
            if (!decided) {
                member.verdict = reader.verdict();
            }
            member.decision = reader.encoding();
            member.encoding = reader.encoding().name();
        });
    } catch (const VbError& error) {
        member.readFailure = error.description();
    }
}

// Studies the members `jobs` at a time (0: one per core): each reads its own source and
// writes only its own member.
void studyAll(const std::vector<Member*>& members, const std::string& encoding, unsigned jobs) {
    const unsigned workers = workerCount(jobs, members.size());
    std::atomic<std::size_t> next{0};
    std::mutex failing;
    std::exception_ptr failure;
    const auto work = [&] {
        try {
            for (std::size_t i; (i = next.fetch_add(1)) < members.size();) {
                study(*members[i], encoding);
            }
        } catch (...) {
            const std::lock_guard lock(failing);
            failure = std::current_exception();
            next = members.size();
        }
    };
    {
        std::vector<std::jthread> pool;
        for (unsigned w = 1; w < workers; ++w) {
            pool.emplace_back(work);
        }
        work();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

// A project is written in one code page: the members whose bytes decide firmly settle
// those whose evidence is weak, as a batch settles the files of a folder. The index and
// the pages then show each member in the same code page, whichever pages a run rewrites.
void decideTogether(std::vector<Member>& members, const std::string& encoding) {
    files::EncodingHint hint;
    for (const Member& member : members) {
        if (member.decision) {
            hint.add(member.verdict);
        }
    }
    for (Member& member : members) {
        if (!member.decision) {
            continue;
        }
        const files::EncodingDecision decided = hint.decisionFor(member.verdict);
        if (decided != *member.decision) {
            study(member, encoding, decided);
        }
    }
}

std::vector<Member*> pageOrder(Project& project) {
    std::vector<Member*> order;
    for (Member& member : project.members) {
        if (member.paged) {
            order.push_back(&member);
        }
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Member* a, const Member* b) { return a->source->kind < b->source->kind; });
    return order;
}

std::string memberLabel(const Member& member) {
    return member.relative.substr(member.relative.rfind('/') + 1);
}

// The navigation and the outline of a page, which takes the member's outline. They are
// composed in `scratch`, whose room serves every page, and kept at their own size: the
// extras of every page are held until the pages are written.
PageExtras extrasOf(const Project& project, Member& member, const Member* previous, const Member* next,
                    bool severalProjects, std::string& scratch) {
    const std::string page = member.page();
    PageExtras extras;
    std::string& before = scratch;
    before.clear();
    append(before, {"<LINK TYPE=\"text/CSS\" rel=\"stylesheet\" HREF=\"", hrefOf(page, SiteSheetName),
                    "\">\r\n<nav class=\"site\">"});
    if (severalProjects) {
        append(before, {"<a href=\"", hrefOf(page, "index.html"), "\">All projects</a> | "});
    }
    append(before, {"<a href=\"", hrefOf(page, project.index()), "\">", attributeText(project.project.name),
                    "</a> | "});
    if (previous != nullptr) {
        append(before, {"<a href=\"", hrefOf(page, previous->page()), "\" rel=\"prev\">&lt; ",
                        attributeText(memberLabel(*previous)), "</a> | "});
    }
    append(before, {"<strong>", attributeText(memberLabel(member)), "</strong>"});
    if (next != nullptr) {
        append(before, {" | <a href=\"", hrefOf(page, next->page()), "\" rel=\"next\">",
                        attributeText(memberLabel(*next)), " &gt;</a>"});
    }
    append(before, {" | <a href=\"", hrefOf(page, member.relative), "\" download>Download</a>"});
    if (member.resource) {
        append(before, {" <a href=\"", hrefOf(page, member.resourceRelative), "\" download>",
                        attributeText(fs::path(member.resourceRelative).filename().string()), "</a>"});
    }
    before += "</nav>\r\n";
    before += member.outlineMarkup;
    std::string().swap(member.outlineMarkup);
    extras.anchors = std::move(member.anchors);
    extras.beforeCode = before;
    return extras;
}

std::string documentStart(const std::string& page, const std::string& title) {
    return "<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n<title>" +
           attributeText(title) + "</title>\r\n<link rel=\"stylesheet\" href=\"" +
           hrefOf(page, SiteSheetName) + "\">\r\n</head>\r\n<body class=\"index\">\r\n";
}

std::string projectIndex(const Project& project, bool severalProjects) {
    const VbProject& vbp = project.project;
    const std::string page = project.index();
    const std::string title = vbp.title.empty() ? vbp.name : vbp.title;
    std::string out = documentStart(page, title);
    if (severalProjects) {
        out +=
            "<nav class=\"site\"><a href=\"" + hrefOf(page, "index.html") + "\">All projects</a></nav>\r\n";
    }
    out += "<h1>" + attributeText(title) + "</h1>\r\n<table class=\"fields\">\r\n";
    const std::pair<const char*, std::string> fields[] = {
        {"Name", vbp.name},       {"Title", vbp.title},
        {"Startup", vbp.startup}, {"Exe name", vbp.exeName},
        {"Version", vbp.version}, {"Project file", fs::path(vbp.file).filename().string()}};
    for (const auto& [label, value] : fields) {
        if (!value.empty()) {
            out += "<tr><th>" + std::string(label) + "</th><td>" + attributeText(value) + "</td></tr>\r\n";
        }
    }
    out += "</table>\r\n";
    for (int kind = 0; kind <= static_cast<int>(MemberKind::RelatedDocument); ++kind) {
        std::string rows;
        for (const Member& member : project.members) {
            if (static_cast<int>(member.source->kind) != kind) {
                continue;
            }
            const std::string label = attributeText(member.relative);
            rows += "<tr><td>";
            rows +=
                member.paged ? "<a href=\"" + hrefOf(page, member.page()) + "\">" + label + "</a>" : label;
            rows += "</td><td>" + attributeText(member.source->name) + "</td>";
            if (member.readFailure) {
                rows += "<td colspan=\"3\">" + attributeText(*member.readFailure) + "</td>";
            } else {
                rows += "<td class=\"count\">" + std::to_string(member.lines) + "</td><td class=\"count\">" +
                        std::to_string(member.procedures) + "</td><td>" + attributeText(member.encoding) +
                        "</td>";
            }
            rows +=
                "<td><a href=\"" + hrefOf(page, member.relative) + "\" download>Download</a></td></tr>\r\n";
        }
        for (std::size_t index : project.missing) {
            const ProjectMember& missing = vbp.members[index];
            if (static_cast<int>(missing.kind) == kind) {
                rows += "<tr class=\"missing\"><td>" + attributeText(missing.declaredPath) + "</td><td>" +
                        attributeText(missing.name) + "</td><td colspan=\"4\">missing</td></tr>\r\n";
            }
        }
        if (!rows.empty()) {
            out += "<h2>" + std::string(kindHeading(static_cast<MemberKind>(kind))) +
                   "</h2>\r\n<table class=\"members\">\r\n<tr><th>File</th><th>Name</th><th>Lines</th>"
                   "<th>Procedures</th><th>Code page</th><th>Original</th></tr>\r\n" +
                   rows + "</table>\r\n";
        }
    }
    if (!vbp.references.empty()) {
        out += "<h2>References</h2>\r\n<table class=\"references\">\r\n<tr><th>Description</th><th>GUID</th>"
               "<th>Version</th><th>Path</th></tr>\r\n";
        for (const ProjectReference& reference : vbp.references) {
            out += "<tr><td>" + attributeText(reference.description) + "</td><td>" +
                   attributeText(reference.guid) + "</td><td>" + attributeText(reference.version) +
                   "</td><td>" + attributeText(reference.path) + "</td></tr>\r\n";
        }
        out += "</table>\r\n";
    }
    if (!vbp.components.empty()) {
        out += "<h2>Components</h2>\r\n<table class=\"components\">\r\n<tr><th>File</th><th>GUID</th>"
               "<th>Version</th></tr>\r\n";
        for (const ProjectComponent& component : vbp.components) {
            out += "<tr><td>" + attributeText(component.file) + "</td><td>" + attributeText(component.guid) +
                   "</td><td>" + attributeText(component.version) + "</td></tr>\r\n";
        }
        out += "</table>\r\n";
    }
    return out + "</body>\r\n</html>\r\n";
}

std::string topIndex(const std::vector<Project>& projects) {
    std::string out = documentStart("index.html", "Projects");
    out += "<h1>Projects</h1>\r\n<table "
           "class=\"projects\">\r\n<tr><th>Project</th><th>Title</th><th>Members</th>"
           "<th>Missing</th></tr>\r\n";
    for (const Project& project : projects) {
        out += "<tr><td><a href=\"" + hrefOf("index.html", project.index()) + "\">" +
               attributeText(project.project.name) + "</a></td><td>" + attributeText(project.project.title) +
               "</td><td class=\"count\">" + std::to_string(project.members.size()) +
               "</td><td class=\"count\">" + std::to_string(project.missing.size()) + "</td></tr>\r\n";
    }
    return out + "</table>\r\n</body>\r\n</html>\r\n";
}

// relative path -> the output's stamp, a tab and the size it was written with. The size
// tells a file that never reached the disk whole (the machine stopped before its data were
// written out) from one that is as the run left it, so the next run writes it again.
using Manifest = std::map<std::string, std::string>;

std::string manifestEntry(const std::string& stamp, std::uint64_t size) {
    return stamp + "\t" + std::to_string(size);
}

Manifest readManifest(const std::string& path) {
    Manifest manifest;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line != ManifestHeading) {
        return manifest;
    }
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos && tab > 0) {
            manifest[line.substr(0, tab)] = line.substr(tab + 1);
        }
    }
    return manifest;
}

void writeManifest(const std::string& path, const Manifest& manifest) {
    std::string text = std::string(ManifestHeading) + "\n";
    for (const auto& [relative, stamp] : manifest) {
        text += relative + "\t" + stamp + "\n";
    }
    files::writeFileAtomically(path, text);
}

// Removes the folders a removed file leaves empty, up to the site's folder.
void removeEmptyFolders(const fs::path& root, fs::path folder) {
    std::error_code error;
    while (!folder.empty() && folder != root && fs::is_empty(folder, error) && !error) {
        fs::remove(folder, error);
        folder = folder.parent_path();
    }
}

// Whether the files of the site exist, from one listing of each folder: a new site's
// thousands of files cost no look each. A name the listing holds is looked at all the same
// (a link may lead nowhere).
class FolderListings {
public:
    // The manifest entry the file would have if it is what the run that wrote it left.
    std::optional<std::string> entryOf(const std::string& stamp, const std::string& path) {
        if (!listed(path)) {
            return std::nullopt;
        }
        std::error_code error;
        const std::uintmax_t size = fs::file_size(path, error);
        if (!error) {
            return manifestEntry(stamp, size);
        }
        // Something that is not a file stands in the output's place: no entry matches it.
        return fs::exists(path, error) ? std::optional<std::string>("\t") : std::nullopt;
    }

private:
    bool listed(const std::string& path) {
        const fs::path file(path);
        auto known = names_.find(file.parent_path().string());
        if (known == names_.end()) {
            std::set<std::string> names;
            std::error_code error;
            for (fs::directory_iterator it(file.parent_path(), error), end; !error && it != end;
                 it.increment(error)) {
                names.insert(it->path().filename().string());
            }
            known = names_.emplace(file.parent_path().string(), std::move(names)).first;
        }
        return known->second.count(file.filename().string()) != 0;
    }

    std::map<std::string, std::set<std::string>> names_;
};

// The site's own texts and the copies of the originals. A file that replaces one is put
// in place with others, synced together (files::commitTogether); a new one replaces
// nothing and goes in place at once, as a new page does.
class CopiesInGroups {
public:
    CopiesInGroups(SiteResult& result, Manifest& next) : result_(result), next_(next) {}

    void write(const Output& output, const std::string& path) {
        try {
            files::AtomicTextWriter writer(path, files::Durability::WhenReplacing);
            if (output.text) {
                writer.Write(*output.text);
            } else {
                writer.copyFrom(output.copyOf);
            }
            if (!writer.syncsOnCommit()) {
                writer.commit();
                written(output, writer.size());
                return;
            }
            writer.prepareCommit();
            waiting_.push_back({&output, path, std::move(writer)});
        } catch (const VbError& failure) {
            failed(output, failure);
        }
        if (waiting_.size() >= GroupSize) {
            commit();
        }
    }

    // A copy that a page made from the bytes it read.
    void madeElsewhere(const Output& output, std::uint64_t size) { written(output, size); }

    void commit() {
        std::vector<files::AtomicTextWriter*> writers;
        for (Waiting& waiting : waiting_) {
            writers.push_back(&waiting.writer);
        }
        const std::vector<std::optional<VbError>> errors = files::commitTogether(writers);
        for (std::size_t k = 0; k < waiting_.size(); ++k) {
            if (errors[k]) {
                failed(*waiting_[k].output, *errors[k]);
            } else {
                written(*waiting_[k].output, waiting_[k].writer.size());
            }
        }
        waiting_.clear();
    }

private:
    // Each waiting file holds a descriptor open.
    static constexpr std::size_t GroupSize = 128;

    struct Waiting {
        const Output* output;
        std::string path;
        files::AtomicTextWriter writer;
    };

    void written(const Output& output, std::uint64_t size) {
        next_[output.relative] = manifestEntry(output.stamp, size);
        ++result_.filesWritten;
    }

    void failed(const Output& output, const VbError& failure) {
        result_.failures.push_back(failure);
        next_[output.relative] = std::string();
    }

    SiteResult& result_;
    Manifest& next_;
    std::vector<Waiting> waiting_;
};

class SiteRun {
public:
    SiteRun(const SiteSettings& settings, BatchLog& log) : settings_(settings), log_(log) {}

    SiteResult run(const std::vector<std::string>& inputs) {
        readProjects(inputs);
        planOutputs();
        writeOutputs();
        return result_;
    }

private:
    void readProjects(const std::vector<std::string>& inputs) {
        std::vector<VbProject> read;
        for (const std::string& input : inputs) {
            ProjectsOfInput found = projectsOfInput(input);
            std::move(found.projects.begin(), found.projects.end(), std::back_inserter(read));
            std::move(found.failures.begin(), found.failures.end(), std::back_inserter(result_.failures));
        }
        several_ = read.size() > 1;
        std::set<std::string> folders = {"index.html", "site.css", "style.css"};
        for (VbProject& vbp : read) {
            Project project;
            project.project = std::move(vbp);
            if (several_) {
                project.folder = folderName(project.project.name, folders);
            }
            projects_.push_back(std::move(project));
        }
        std::error_code error;
        const fs::path workingFolder = fs::current_path(error);
        for (Project& project : projects_) {
            const fs::path base =
                (workingFolder / (project.project.folder.empty() ? "." : project.project.folder))
                    .lexically_normal();
            std::set<std::string> taken;
            for (std::size_t i = 0; i < project.project.members.size(); ++i) {
                const ProjectMember& source = project.project.members[i];
                if (!source.found()) {
                    project.missing.push_back(i);
                    continue;
                }
                Member member;
                member.source = &source;
                member.relative = project.folder + relativeInProject(base, workingFolder, source.path);
                if (!taken.insert(asciiLower(member.relative)).second) {
                    continue; // named twice
                }
                member.paged = source.kind != MemberKind::RelatedDocument;
                if (const auto extension = resourceExtension(source.path)) {
                    const std::string resource =
                        finder_.find(fs::path(source.path).parent_path().string(),
                                     fs::path(source.path).stem().string() + *extension);
                    if (!resource.empty()) {
                        member.resource = resource;
                        member.resourceRelative =
                            (fs::path(member.relative).parent_path() / fs::path(resource).filename())
                                .generic_string();
                    }
                }
                member.stamp = fileStamp(source.path);
                if (member.resource) {
                    member.resourceStamp = fileStamp(*member.resource);
                }
                project.members.push_back(std::move(member));
            }
            std::vector<Member*> paged;
            for (Member& member : project.members) {
                if (member.paged) {
                    paged.push_back(&member);
                }
            }
            studyAll(paged, settings_.page.sourceEncoding, settings_.jobs);
            for (Member* member : paged) {
                member->paged = !member->readFailure;
            }
            if (settings_.page.sourceEncoding.empty() ||
                equalsIgnoringAsciiCase(settings_.page.sourceEncoding, "auto")) {
                decideTogether(project.members, settings_.page.sourceEncoding);
            }
            result_.members += project.members.size();
            result_.missingMembers += project.missing.size();
        }
        result_.projects = projects_.size();
    }

    std::string optionsFingerprint() {
        const PageJob& job = settings_.page;
        std::string text = job.headerText ? *job.headerText : readCopiedText(job.header);
        text += '\0';
        text += job.footerText ? *job.footerText : readCopiedText(job.footer);
        for (const std::string& line : pageStyleLines(job.scheme, job.darkScheme)) {
            text += '\0' + line;
        }
        text +=
            '\0' + job.sourceEncoding + (job.optimize ? "1" : "0") + settings_.userStyleSheet.value_or("");
        return hexOf(fingerprint(text));
    }

    void add(Output output) { outputs_.push_back(std::move(output)); }

    void planOutputs() {
        PageJob& job = pageJob_;
        job = settings_.page;
        job.headerText = std::make_shared<const std::string>(readCopiedText(job.header));
        job.footerText = std::make_shared<const std::string>(readCopiedText(job.footer));
        settings_.page.headerText = job.headerText;
        settings_.page.footerText = job.footerText;
        const std::string options = optionsFingerprint();
        auto extras = std::make_shared<PageExtrasByTarget>();
        std::string sheet;
        for (const std::string& line : pageStyleLines(job.scheme, job.darkScheme)) {
            sheet += line + "\r\n";
        }
        if (!settings_.userStyleSheet) {
            add({SchemeSheetName, hexOf(fingerprint(sheet)), sheet, {}, {}});
        }
        add({SiteSheetName, hexOf(fingerprint(SiteRules)), std::string(SiteRules), {}, {}});
        if (several_) {
            const std::string text = topIndex(projects_);
            add({"index.html", hexOf(fingerprint(text)), text, {}, {}});
        }
        for (Project& project : projects_) {
            const std::string index = projectIndex(project, several_);
            add({project.index(), hexOf(fingerprint(index)), index, {}, {}});
            const std::vector<Member*> order = pageOrder(project);
            std::string scratch;
            for (std::size_t i = 0; i < order.size(); ++i) {
                Member& member = *order[i];
                PageExtras pageExtras =
                    extrasOf(project, member, i > 0 ? order[i - 1] : nullptr,
                             i + 1 < order.size() ? order[i + 1] : nullptr, several_, scratch);
                // Hashed piece by piece: the page's own text is not copied to be stamped.
                constexpr std::string_view Between("\0", 1);
                std::uint64_t stamp = fingerprint(pageExtras.beforeCode);
                for (const std::string_view piece :
                     {std::string_view(options), std::string_view(member.encoding)}) {
                    stamp = fingerprint(piece, fingerprint(Between, stamp));
                }
                for (const auto& [line, anchor] : pageExtras.anchors) {
                    stamp =
                        fingerprint(anchor, fingerprint(std::to_string(line), fingerprint(Between, stamp)));
                }
                const std::string target = inSite(member.page());
                extras->emplace(target, std::move(pageExtras));
                add({member.page(),
                     hexOf(stamp) + "-" + member.stamp,
                     std::nullopt,
                     {},
                     member.source->path,
                     member.decision});
            }
            for (const Member& member : project.members) {
                add({member.relative, member.stamp, std::nullopt, member.source->path, {}});
                if (member.resource) {
                    add({member.resourceRelative, member.resourceStamp, std::nullopt, *member.resource, {}});
                }
            }
        }
        extras_ = extras;
        job.extras = std::move(extras);
    }

    std::string inSite(const std::string& relative) const {
        return (fs::path(settings_.outputFolder) / relative).string();
    }

    void writeOutputs() {
        std::error_code error;
        fs::create_directories(settings_.outputFolder, error);
        const std::string manifestPath = inSite(SiteManifestName);
        const Manifest old = readManifest(manifestPath);
        Manifest next;
        // Known before anything is written: a run that is cut short still owns its files.
        Manifest pending = old;
        std::vector<const Output*> due;
        std::set<std::string> planned;
        // The copies that replace nothing, by their source: a page read from the same
        // source makes its copy from the bytes it reads, so the source is read once less.
        std::map<std::string, const Output*> newCopies;
        for (const Output& output : outputs_) {
            if (!planned.insert(output.relative).second) {
                continue;
            }
            const std::string path = inSite(output.relative);
            const auto known = old.find(output.relative);
            const std::optional<std::string> entry = listings_.entryOf(output.stamp, path);
            const bool present = entry.has_value();
            if (!present && !output.copyOf.empty()) {
                newCopies[output.copyOf] = &output;
            }
            if (present && known == old.end()) {
                result_.failures.emplace_back(vberr::PathFileAccess,
                                              "Not written by the site, left as it is: " + path);
                continue;
            }
            if (present && known->second == *entry) {
                next[output.relative] = *entry;
                ++result_.filesUnchanged;
                continue;
            }
            pending[output.relative] = std::string();
            due.push_back(&output);
        }
        writeManifest(manifestPath, pending);

        std::set<const Output*> copiedWithPages;
        std::map<const Output*, const Output*> copyOfPage;
        for (const Output* output : due) {
            if (output->pageSource.empty()) {
                continue;
            }
            const auto copy = newCopies.find(output->pageSource);
            if (copy != newCopies.end() && copiedWithPages.insert(copy->second).second) {
                (*extras_)[inSite(output->relative)].copyTo = inSite(copy->second->relative);
                copyOfPage[output] = copy->second;
            }
        }

        std::vector<BatchFile> pages;
        std::vector<const Output*> pageOutputs;
        std::set<std::string> folders;
        CopiesInGroups copies(result_, next);
        for (const Output* output : due) {
            const std::string path = inSite(output->relative);
            std::string folder = fs::path(path).parent_path().string();
            if (folders.insert(folder).second) {
                fs::create_directories(folder, error);
            }
            if (!output->pageSource.empty()) {
                pages.push_back({output->pageSource, path, output->pageDecision});
                pageOutputs.push_back(output);
                continue;
            }
            if (copiedWithPages.count(output) == 0) {
                copies.write(*output, path);
            }
        }
        copies.commit();
        if (!pages.empty()) {
            writePages(pages, pageOutputs, next, copyOfPage, copies);
            copies.commit();
        }

        for (const auto& [relative, stamp] : old) {
            if (planned.count(relative) == 0) {
                const fs::path path = inSite(relative);
                if (fs::remove(path, error)) {
                    ++result_.filesRemoved;
                    removeEmptyFolders(fs::path(settings_.outputFolder), path.parent_path());
                }
            }
        }
        writeManifest(manifestPath, next);
    }

    // A copy left to a page is made the usual way when the page could not make it.
    void writePages(const std::vector<BatchFile>& pages, const std::vector<const Output*>& outputs,
                    Manifest& next, const std::map<const Output*, const Output*>& copyOfPage,
                    CopiesInGroups& copies) {
        BatchSettings batch;
        batch.page = pageJob_;
        batch.jobs = settings_.jobs;
        batch.linkedStyleSheetPath = settings_.userStyleSheet.value_or(inSite(SchemeSheetName));
        batch.page.linkedStyleSheet = batch.linkedStyleSheetPath;
        const std::vector<BatchOutcome> outcomes = convertBatch(pages, batch, log_);
        for (std::size_t i = 0; i < outcomes.size(); ++i) {
            if (outcomes[i].converted) {
                next[outputs[i]->relative] = manifestEntry(outputs[i]->stamp, outcomes[i].bytes);
                ++result_.pagesWritten;
            } else {
                // The page stays the site's own: the next run tries it again.
                next[outputs[i]->relative] = std::string();
                ++result_.pagesFailed;
            }
            const auto copy = copyOfPage.find(outputs[i]);
            if (copy == copyOfPage.end()) {
                continue;
            }
            if (outcomes[i].originalCopied) {
                copies.madeElsewhere(*copy->second, *outcomes[i].originalCopied);
            } else {
                copies.write(*copy->second, inSite(copy->second->relative));
            }
        }
    }

    SiteSettings settings_;
    BatchLog& log_;
    SiteResult result_;
    std::vector<Project> projects_;
    std::vector<Output> outputs_;
    PageJob pageJob_;
    // The extras of pageJob_'s pages, kept writable for the copies the pages are to make.
    std::shared_ptr<PageExtrasByTarget> extras_;
    FileFinder finder_;
    FolderListings listings_;
    bool several_ = false;
};

} // namespace

namespace {

std::string counted(std::size_t count, const char* one, const char* several) {
    return std::to_string(count) + " " + (count == 1 ? one : several);
}

} // namespace

std::string siteSummary(const SiteResult& result) {
    std::string out = counted(result.projects, "project", "projects") + ", " +
                      counted(result.members, "member", "members") + ", " +
                      std::to_string(result.missingMembers) + " missing, " +
                      counted(result.pagesWritten, "page written", "pages written") + ", ";
    if (result.pagesFailed > 0) {
        out += counted(result.pagesFailed, "page failed", "pages failed") + ", ";
    }
    return out + counted(result.filesWritten, "other file written", "other files written") + ", " +
           counted(result.filesUnchanged, "file unchanged", "files unchanged") + ", " +
           counted(result.filesRemoved, "file removed", "files removed");
}

SiteResult writeSite(const std::vector<std::string>& inputs, const SiteSettings& settings, BatchLog& log) {
    return SiteRun(settings, log).run(inputs);
}

} // namespace quillon
