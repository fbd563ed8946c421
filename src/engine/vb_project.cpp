#include "engine/vb_project.h"

#include "base/ascii_text.h"
#include "base/vb_error.h"
#include "io/text_reader.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quillon {

namespace fs = std::filesystem;

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// "Name" of `"Name"`: project files quote their text fields.
std::string unquoted(std::string_view text) {
    text = trimmed(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    return std::string(text);
}

std::vector<std::string_view> splitOn(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string_view::npos;
         at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::vector<std::string> linesOf(const std::string& path) {
    files::TextReader reader(path);
    std::vector<std::string> lines;
    std::string line;
    while (reader.readLine(line)) {
        lines.push_back(line);
    }
    return lines;
}

struct MemberKey {
    std::string_view key;
    MemberKind kind;
};
constexpr MemberKey MemberKeys[] = {
    {"Form", MemberKind::Form},
    {"Module", MemberKind::Module},
    {"Class", MemberKind::Class},
    {"UserControl", MemberKind::UserControl},
    {"PropertyPage", MemberKind::PropertyPage},
    {"UserDocument", MemberKind::UserDocument},
    {"Designer", MemberKind::Designer},
    {"RelatedDoc", MemberKind::RelatedDocument},
};

void addMember(VbProject& project, FileFinder& finder, MemberKind kind, std::string_view value) {
    ProjectMember member;
    member.kind = kind;
    // Modules and classes are "Name; file"; the others are the file alone.
    const std::size_t semicolon = value.find(';');
    if (semicolon != std::string_view::npos && (kind == MemberKind::Module || kind == MemberKind::Class)) {
        member.name = std::string(trimmed(value.substr(0, semicolon)));
        value = value.substr(semicolon + 1);
    }
    member.declaredPath = unquoted(value);
    member.path = finder.find(project.folder, member.declaredPath);
    project.members.push_back(std::move(member));
}

// "*\G{GUID}#2.0#0#path#description"
ProjectReference referenceOf(std::string_view value) {
    ProjectReference reference;
    if (value.starts_with("*\\G") || value.starts_with("*\\g")) {
        value.remove_prefix(3);
    }
    const std::vector<std::string_view> parts = splitOn(value, '#');
    reference.guid = std::string(parts[0]);
    if (parts.size() > 1) {
        reference.version = std::string(parts[1]);
    }
    if (parts.size() > 3) {
        reference.path = std::string(parts[3]);
    }
    for (std::size_t i = 4; i < parts.size(); ++i) {
        reference.description += (i > 4 ? "#" : "") + std::string(parts[i]);
    }
    return reference;
}

// "{GUID}#2.0#0; FILE.OCX"
ProjectComponent componentOf(std::string_view value) {
    ProjectComponent component;
    const std::size_t semicolon = value.find(';');
    const std::vector<std::string_view> parts = splitOn(value.substr(0, semicolon), '#');
    component.guid = std::string(trimmed(parts[0]));
    if (parts.size() > 1) {
        component.version = std::string(parts[1]);
    }
    if (semicolon != std::string_view::npos) {
        component.file = std::string(trimmed(value.substr(semicolon + 1)));
    }
    return component;
}

bool isNamed(std::string_view path, std::string_view extension) {
    return path.size() > extension.size() &&
           asciiLower(path.substr(path.size() - extension.size())) == extension;
}

std::vector<std::string> filesBelow(const std::string& folder, bool (*wanted)(std::string_view)) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error) && wanted(it->path().filename().string())) {
            found.push_back(it->path().string());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool isProjectName(std::string_view name) {
    return isNamed(name, ".vbp");
}

MemberKind kindOfSource(std::string_view name) {
    const std::string lower = asciiLower(name);
    if (lower.ends_with(".frm")) {
        return MemberKind::Form;
    }
    if (lower.ends_with(".cls")) {
        return MemberKind::Class;
    }
    if (lower.ends_with(".ctl")) {
        return MemberKind::UserControl;
    }
    if (lower.ends_with(".pag")) {
        return MemberKind::PropertyPage;
    }
    if (lower.ends_with(".dob")) {
        return MemberKind::UserDocument;
    }
    if (lower.ends_with(".dsr")) {
        return MemberKind::Designer;
    }
    return MemberKind::Module;
}

} // namespace

std::string_view kindHeading(MemberKind kind) {
    switch (kind) {
    case MemberKind::Form:
        return "Forms";
    case MemberKind::Module:
        return "Modules";
    case MemberKind::Class:
        return "Classes";
    case MemberKind::UserControl:
        return "User controls";
    case MemberKind::PropertyPage:
        return "Property pages";
    case MemberKind::UserDocument:
        return "User documents";
    case MemberKind::Designer:
        return "Designers";
    case MemberKind::RelatedDocument:
        break;
    }
    return "Related documents";
}

bool isVbSourceName(std::string_view fileName) {
    for (std::string_view extension : {".frm", ".bas", ".cls", ".ctl", ".pag", ".dob", ".dsr"}) {
        if (isNamed(fileName, extension)) {
            return true;
        }
    }
    return false;
}

std::string findIgnoringCase(const std::string& folder, std::string_view relative) {
    return FileFinder().find(folder, relative);
}

const std::map<std::string, std::string>& FileFinder::listing(const std::string& folder) {
    const auto known = listings_.find(folder);
    if (known != listings_.end()) {
        return known->second;
    }
    std::map<std::string, std::string>& names = listings_[folder];
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        names.emplace(asciiLower(name), name);
    }
    return names;
}

std::string FileFinder::find(const std::string& folder, std::string_view relative) {
    fs::path at = folder.empty() ? fs::path(".") : fs::path(folder);
    std::string normalised(relative);
    std::replace(normalised.begin(), normalised.end(), '\\', '/');
    if (normalised.empty()) {
        return {};
    }
    if (normalised.front() == '/') {
        at = "/";
    }
    std::error_code error;
    for (std::string_view part : splitOn(normalised, '/')) {
        if (part.empty() || part == ".") {
            continue;
        }
        fs::path exact = at / std::string(part);
        if (part == ".." || fs::exists(exact, error)) {
            at = std::move(exact);
            continue;
        }
        const std::map<std::string, std::string>& names = listing(at.string());
        const auto match = names.find(asciiLower(part));
        if (match == names.end()) {
            return {};
        }
        at /= match->second;
    }
    return fs::is_regular_file(at, error) ? at.lexically_normal().string() : std::string();
}

VbProject readProject(const std::string& projectFile) {
    VbProject project;
    project.file = projectFile;
    project.folder = fs::path(projectFile).parent_path().string();
    std::string major;
    std::string minor;
    std::string revision;
    bool inOptions = false;
    FileFinder finder;
    for (const std::string& raw : linesOf(projectFile)) {
        const std::string_view line = trimmed(raw);
        if (line.starts_with('[')) {
            // Sections after the main part hold add-in settings, never members.
            inOptions = true;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inOptions || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        const auto member = std::find_if(std::begin(MemberKeys), std::end(MemberKeys),
                                         [&](const MemberKey& candidate) { return candidate.key == key; });
        if (member != std::end(MemberKeys)) {
            addMember(project, finder, member->kind, value);
        } else if (key == "Reference") {
            project.references.push_back(referenceOf(value));
        } else if (key == "Object") {
            project.components.push_back(componentOf(value));
        } else if (key == "Name") {
            project.name = unquoted(value);
        } else if (key == "Title") {
            project.title = unquoted(value);
        } else if (key == "ExeName32") {
            project.exeName = unquoted(value);
        } else if (key == "Startup") {
            project.startup = unquoted(value);
        } else if (key == "MajorVer") {
            major = value;
        } else if (key == "MinorVer") {
            minor = value;
        } else if (key == "RevisionVer") {
            revision = value;
        }
    }
    if (!major.empty()) {
        project.version =
            major + "." + (minor.empty() ? "0" : minor) + "." + (revision.empty() ? "0" : revision);
    }
    if (project.name.empty()) {
        project.name = fs::path(projectFile).stem().string();
    }
    return project;
}

std::vector<std::string> projectsOfGroup(const std::string& groupFile) {
    const std::string folder = fs::path(groupFile).parent_path().string();
    std::vector<std::string> projects;
    for (const std::string& raw : linesOf(groupFile)) {
        const std::string_view line = trimmed(raw);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        if (key != "Project" && key != "StartupProject") {
            continue;
        }
        const std::string declared = unquoted(line.substr(equals + 1));
        std::string found = findIgnoringCase(folder, declared);
        if (found.empty()) {
            std::string path = declared;
            std::replace(path.begin(), path.end(), '\\', '/');
            found = (fs::path(folder) / path).lexically_normal().string();
        }
        if (std::find(projects.begin(), projects.end(), found) == projects.end()) {
            projects.push_back(found);
        }
    }
    return projects;
}

namespace {

void addProject(ProjectsOfInput& found, const std::string& file) {
    try {
        found.projects.push_back(readProject(file));
    } catch (const VbError& error) {
        found.failures.push_back(error);
    }
}

} // namespace

ProjectsOfInput projectsOfInput(const std::string& input) {
    ProjectsOfInput found;
    std::error_code error;
    if (fs::is_directory(input, error)) {
        for (const std::string& file : filesBelow(input, isProjectName)) {
            addProject(found, file);
        }
        if (found.projects.empty() && found.failures.empty()) {
            VbProject loose;
            loose.folder = input;
            loose.name = fs::absolute(input, error).lexically_normal().filename().string();
            if (loose.name.empty()) {
                loose.name = fs::absolute(input, error).lexically_normal().parent_path().filename().string();
            }
            for (const std::string& file : filesBelow(input, isVbSourceName)) {
                loose.members.push_back({kindOfSource(file), {}, file, file});
            }
            found.projects.push_back(std::move(loose));
        }
    } else if (isNamed(input, ".vbg")) {
        try {
            for (const std::string& file : projectsOfGroup(input)) {
                addProject(found, file);
            }
        } catch (const VbError& failure) {
            found.failures.push_back(failure);
        }
    } else if (isNamed(input, ".vbp")) {
        addProject(found, input);
    } else if (!fs::exists(input, error)) {
        found.failures.emplace_back(vberr::FileNotFound, "File not found: " + input);
    } else {
        found.failures.emplace_back(vberr::InvalidFileFormat,
                                    "Not a project, a project group or a folder: " + input);
    }
    return found;
}

} // namespace quillon
