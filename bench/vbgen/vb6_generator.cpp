#include "vb6_generator.h"

#include <array>
#include <random>
#include <string_view>

namespace quillon::bench {

namespace {

constexpr std::array<std::string_view, 16> identifiers{
    "i",       "j",      "nCount",  "sName",    "lResult", "mClicks", "frmMain",  "rsData",
    "objItem", "vValue", "strPath", "dblTotal", "Label1",  "Text2",   "colItems", "hWnd"};
constexpr std::array<std::string_view, 10> types{"Long",    "Integer", "String",   "Boolean", "Double",
                                                 "Variant", "Byte",    "Currency", "Date",    "Single"};
constexpr std::array<std::string_view, 8> words{
    "Hello", "World", "caf\xC3\xA9", "\xC3\xA9t\xC3\xA9", "r\xC3\xA9sum\xC3\xA9", "Total", "Error", "Done"};

class Writer {
public:
    Writer(std::uint64_t seed, std::size_t target) : rng_(seed), target_(target) {
        text_.reserve(target + 4096);
    }

    bool full() const { return text_.size() >= target_; }
    std::string take() { return std::move(text_); }

    void line(std::string_view s) {
        text_ += s;
        text_ += "\r\n";
    }

    template <class... Parts> void line(Parts&&... parts) {
        (text_ += ... += parts);
        text_ += "\r\n";
    }

    std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }
    std::string_view ident() { return identifiers[pick(identifiers.size())]; }
    std::string_view type() { return types[pick(types.size())]; }
    std::string_view word() { return words[pick(words.size())]; }
    std::string number() { return std::to_string(pick(100000)); }
    std::string indent(int level) { return std::string(static_cast<std::size_t>(4 * level), ' '); }

private:
    std::mt19937_64 rng_;
    std::size_t target_;
    std::string text_;
};

void statement(Writer& w, int level) {
    const std::string in = w.indent(level);
    switch (w.pick(18)) {
    case 14:
        w.line(in, "If ", w.ident(), " < ", w.number(), " Or ", w.ident(), " <> \"\" Then ", w.ident(), " = ",
               w.ident(), " Mod 7: Exit Sub");
        break;
    case 15:
        w.line(in, "Rem ", w.word(), " kept for the old ", w.ident(), " <= ", w.number());
        break;
    case 16:
        w.line(in, "For Each ", w.ident(), " In ", w.ident(), "   ' walk all \"", w.word(), "\" items");
        w.line(in, "    If ", w.ident(), " Is Nothing Then GoTo NextItem");
        w.line(in, "    ", w.ident(), " = ", w.ident(), " & vbCrLf & \"it''s \"\"", w.word(), "\"\"\"");
        w.line("NextItem:");
        w.line(in, "Next");
        break;
    case 17:
        w.line(in, "Do Until ", w.ident(), " >= &H", std::to_string(w.pick(100)), "00& Or ", w.ident(),
               " = True");
        w.line(in, "    ", w.ident(), " = ", w.ident(), " + 1#: ", w.ident(), " = ", w.ident(), " - 2.5E+3");
        w.line(in, "Loop");
        break;
    case 0:
        w.line(in, "Dim ", w.ident(), " As ", w.type(), ", ", w.ident(), " As ", w.type());
        break;
    case 1:
        w.line(in, w.ident(), " = ", w.ident(), " + ", w.number(), " * (", w.ident(), " - 1.5)");
        break;
    case 2:
        w.line(in, "If ", w.ident(), " >= ", w.number(), " And Not ", w.ident(), " Then");
        w.line(in, "    ", w.ident(), " = \"", w.word(), " \"\"quoted\"\" it's\"");
        w.line(in, "ElseIf ", w.ident(), " <> 0 Then");
        w.line(in, "    Exit Sub");
        w.line(in, "End If");
        break;
    case 3:
        w.line(in, "For ", w.ident(), " = 1 To ", w.number(), " Step 2");
        w.line(in, "    ", w.ident(), " = ", w.ident(), " & \"", w.word(), "\" & CStr(", w.ident(), ")");
        w.line(in, "Next ", w.ident());
        break;
    case 4:
        w.line(in, "Select Case ", w.ident());
        w.line(in, "    Case 1, 2, 3: ", w.ident(), " = &H", std::to_string(w.pick(4096)), "FF");
        w.line(in, "    Case Else");
        w.line(in, "        ", w.ident(), " = \"", w.word(), "\"");
        w.line(in, "End Select");
        break;
    case 5:
        w.line(in, "' ", w.word(), ": don't change ", w.ident(), " here, it's \"shared\"");
        break;
    case 6:
        w.line(in, "MsgBox \"", w.word(), " \" & ", w.ident(), ", vbInformation, \"", w.word(),
               "\" ' tell the user");
        break;
    case 7:
        w.line(in, "Call ", w.ident(), "_Click(", w.ident(), ", _");
        w.line(in, "    ", w.number(), ", \"", w.word(), "\")");
        break;
    case 8:
        w.line(in, "Do While ", w.ident(), " < ", w.number(), " Or ", w.ident(), " = False");
        w.line(in, "    DoEvents");
        w.line(in, "Loop");
        break;
    case 9:
        w.line(in, "Set ", w.ident(), " = New Collection");
        break;
    case 10:
        w.line(in, "On Error GoTo ErrHandler");
        break;
    case 11:
        w.line(in, w.ident(), ".Caption = Format$(", w.ident(), " / 100, \"0.00\") & \" %\"");
        break;
    case 12:
        w.line(in, "With ", w.ident());
        w.line(in, "    .Left = ", w.number(), ": .Top = ", w.number(), " \\ 2");
        w.line(in, "End With");
        break;
    default:
        w.line(in, "Debug.Print ", w.ident(), "; Len(", w.ident(), ")");
    }
}

// A property pair as the development environment saves it: the Get carries an
// attribute line of its own, which pages leave out.
void property(Writer& w, int index) {
    const std::string name = "Value" + std::to_string(index);
    const std::string_view type = w.type();
    w.line("Public Property Get ", name, "() As ", type);
    w.line("Attribute ", name, ".VB_UserMemId = 0");
    w.line("    ", name, " = m", w.ident());
    w.line("End Property");
    w.line("");
    w.line("Public Property Let ", name, "(ByVal vNew As ", type, ")");
    w.line("    m", w.ident(), " = vNew");
    w.line("    RaiseEvent Changed(\"", name, "\")");
    w.line("End Property");
    w.line("");
}

void procedure(Writer& w, int index) {
    if (w.pick(6) == 0) {
        property(w, index);
        return;
    }
    const bool function = w.pick(2) == 0;
    const std::string name = "Proc" + std::to_string(index);
    if (function) {
        w.line("Public Function ", name, "(ByVal ", w.ident(), " As ", w.type(), ", Optional ByRef ",
               w.ident(), " As ", w.type(), ") As ", w.type());
    } else {
        w.line("Private Sub ", name, "(", w.ident(), " As ", w.type(), ")");
    }
    for (std::size_t n = 4 + w.pick(12); n > 0; --n) {
        statement(w, 1);
    }
    w.line(function ? "End Function" : "End Sub");
    w.line("");
}

void formHeader(Writer& w, const std::string& name) {
    w.line("VERSION 5.00");
    w.line("Object = \"{F9043C88-F6F2-101A-A3C9-08002B2F49FB}#1.2#0\"; \"COMDLG32.OCX\"");
    w.line("Begin VB.Form ", name);
    w.line("   Caption         =   \"", w.word(), "\"");
    w.line("   ClientHeight    =   ", w.number());
    w.line("   ClientWidth     =   ", w.number());
    w.line("   StartUpPosition =   3  'Windows Default");
    w.line("   Begin VB.TextBox TXTname");
    w.line("      Height          =   285");
    w.line("      Text            =   \"", w.word(), "\"");
    w.line("   End");
    w.line("   Begin VB.CommandButton BTok");
    w.line("      Caption         =   \"OK\"");
    w.line("      Height          =   495");
    w.line("   End");
    w.line("End");
    w.line("Attribute VB_Name = \"", name, "\"");
    w.line("Attribute VB_GlobalNameSpace = False");
    w.line("Attribute VB_Creatable = False");
    w.line("Attribute VB_PredeclaredId = True");
    w.line("Attribute VB_Exposed = False");
}

} // namespace

std::string generateSource(std::uint64_t seed, SourceKind kind, std::size_t approxBytes) {
    Writer w(seed, approxBytes);
    const std::string name = "Gen" + std::to_string(seed % 100000);
    switch (kind) {
    case SourceKind::Form:
        formHeader(w, "FRM" + name);
        break;
    case SourceKind::Class:
        w.line("VERSION 1.0 CLASS");
        w.line("BEGIN");
        w.line("  MultiUse = -1  'True");
        w.line("END");
        w.line("Attribute VB_Name = \"C", name, "\"");
        w.line("Attribute VB_Exposed = False");
        break;
    case SourceKind::Module:
        w.line("Attribute VB_Name = \"MOD", name, "\"");
        break;
    }
    w.line("Option Explicit");
    w.line("");
    w.line("Private Declare Function GetTickCount Lib \"kernel32\" () As Long");
    w.line("Private Const MAX_ITEMS As Long = &H", std::to_string(w.pick(4096)),
           "  ' \xC3\xA0 r\xC3\xA9gler");
    w.line("Private Type tItem");
    w.line("    sName As String * 32");
    w.line("    lFlags As Long");
    w.line("End Type");
    w.line("Public Event Changed(ByVal sWhat As String)");
    w.line("Private m", w.ident(), " As ", w.type());
    w.line("");
    for (int index = 0; !w.full(); ++index) {
        procedure(w, index);
    }
    return w.take();
}

} // namespace quillon::bench
