#pragma once
// A Visual Basic 6 project as its project file (.vbp) describes it: the member files, the
// type libraries and ActiveX components it uses, and the fields an index of the project
// shows. Project groups (.vbg) and folders name several projects.
//
// Project files come from Windows: paths are relative to the project file, "\" separates
// their parts and their case need not match the files on the disk, so each member is
// looked up case-insensitively. A member that is not found is kept with an empty path:
// the project is still published, the member listed as missing.

#include "base/vb_error.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

enum class MemberKind {
    Form,
    Module,
    Class,
    UserControl,
    PropertyPage,
    UserDocument,
    Designer,
    RelatedDocument
};

// The heading of a kind on an index ("Forms", "Modules", ...).
std::string_view kindHeading(MemberKind kind);

struct ProjectMember {
    MemberKind kind = MemberKind::Module;
    // The name the project file gives ("Module1" of "Module=Module1; Module1.bas"), or empty.
    std::string name;
    // The path as the project file writes it.
    std::string declaredPath;
    // The file found on the disk; empty when it is missing.
    std::string path;
    bool found() const { return !path.empty(); }
};

struct ProjectReference {
    std::string guid;
    std::string version;
    std::string path;
    std::string description;
};

struct ProjectComponent {
    std::string guid;
    std::string version;
    std::string file;
};

struct VbProject {
    // The project file; empty for a folder of loose sources.
    std::string file;
    // The folder the members' paths start from.
    std::string folder;
    std::string name;
    std::string title;
    std::string exeName;
    std::string startup;
    std::string version; // "Major.Minor.Revision" when the file gives them
    std::vector<ProjectMember> members;
    std::vector<ProjectReference> references;
    std::vector<ProjectComponent> components;
};

// Reads a project file. Raises VbError naming the file when it cannot be read.
VbProject readProject(const std::string& projectFile);

// The project files a group names, found as members are. Missing ones are returned with
// their path joined to the group's folder, so that reading them names them.
std::vector<std::string> projectsOfGroup(const std::string& groupFile);

// The projects an input stands for: a .vbp, a .vbg, or a folder (every .vbp below it,
// else one project of every Visual Basic source below it). A project file that cannot be
// read, or an input that is none of these, is a failure of its own: the others are read.
struct ProjectsOfInput {
    std::vector<VbProject> projects;
    std::vector<VbError> failures;
};
ProjectsOfInput projectsOfInput(const std::string& input);

// The file at `relative` (a Windows path, "\" or "/" separated) below `folder`, each part
// matched case-insensitively where the exact spelling is absent; empty when none matches.
std::string findIgnoringCase(const std::string& folder, std::string_view relative);

// Finds files as findIgnoringCase does, but lists a folder once however many files are
// looked up in it: a project of thousands of members in one folder, most of them without
// the resource file a lookup asks for, would otherwise have it listed once for each.
class FileFinder {
public:
    std::string find(const std::string& folder, std::string_view relative);

private:
    // The entries of a folder by their names in lower case (the first of names that differ
    // in case alone).
    const std::map<std::string, std::string>& listing(const std::string& folder);
    std::map<std::string, std::map<std::string, std::string>> listings_;
};

// True for the extensions of Visual Basic sources a folder contributes.
bool isVbSourceName(std::string_view fileName);

} // namespace quillon
