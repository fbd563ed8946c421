#include "engine/direct_conversion.h"

#include "engine/colorise.h"

#include <memory>

namespace quillon {

std::string_view directSampleText() {
    static const std::string sample = [] {
        const std::string rule = "'" + std::string(46, '=');
        const char* lines[] = {rule.c_str(),
                               "'   Quillon uses a CSS in the HTML file",
                               "'   Syntax convention :",
                               "'   PRE Normal text",
                               "'   class=k Key words",
                               "'   class=c 'Comments",
                               "'   class=s \"Strings\"",
                               "'   class=n  Numbers",
                               "'   class=o   other",
                               rule.c_str(),
                               "'",
                               "' convert this Sample you will understand ...",
                               "",
                               "Public Sub HelloWorld()",
                               "    For i = 1234 To 5678",
                               "        MsgBox \"Hello World !\"",
                               "    Next i",
                               "End Sub",
                               "",
                               "' Copy your code source here and press \"Convert\""};
        std::string text;
        for (const char* line : lines) {
            text += line;
            text += "\r\n";
        }
        return text;
    }();
    return sample;
}

std::size_t convertDirect(std::string_view text, const DirectConversionOptions& options,
                          const ConversionContext& context, const std::function<bool()>& stopRequested,
                          const std::function<void(std::string_view)>& emitLine) {
    ProgressSink& bar = context.progress;
    const double length = static_cast<double>(text.size());
    bar.setMax(length);
    std::size_t position = 0; // 0-based start of the next line
    std::size_t lines = 0;
    LineColouriser colouriser(options.switches, options.optimize);
    std::unique_ptr<char[]> converted;
    std::size_t convertedCapacity = 0;
    while (position < text.size() && !(stopRequested && stopRequested())) {
        context.yieldToUi();
        std::size_t end = position;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
            ++end;
        }
        std::size_t breakLength = 2; // a last line without a break still advances by a CR LF
        if (end < text.size()) {
            breakLength = (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
        }
        const std::string_view line = text.substr(position, end - position);
        if (LineColouriser::maxOutput(line.size()) > convertedCapacity) {
            convertedCapacity = LineColouriser::maxOutput(line.size()) * 2;
            converted.reset(new char[convertedCapacity]);
        }
        const char* const convertedEnd = colouriser.writeLine(converted.get(), line);
        emitLine(std::string_view(converted.get(), static_cast<std::size_t>(convertedEnd - converted.get())));
        ++lines;
        position = end + breakLength;
        const double readingPosition = static_cast<double>(position + 1);
        bar.setValue(readingPosition);
        bar.setCaption(std::to_string(roundHalfEven(readingPosition / length * 100.0)) + " %");
    }
    bar.setCaption("Ok");
    bar.setValue(0);
    return lines;
}

} // namespace quillon
