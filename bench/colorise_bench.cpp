// Micro-benchmarks of the line step, the keyword pass and the merging of tags: typical
// lines, a whole generated source, and the worst cases (a 1 MB line, 100k quotes) whose cost must
// stay linear. Run with --benchmark_filter to pick some; the complexity fits report the
// growth the cases are meant to show.

#include "engine/colorise.h"
#include "engine/output_formats.h"
#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/text_reader.h"
#include "vb6_generator.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <optional>

namespace {

using namespace quillon;

const std::string& generated() {
    static const std::string text = bench::generateSource(7, bench::SourceKind::Form, 8 << 20);
    return text;
}

// A buffer that holds the coloured form of any of the lines it is sized for.
class OutputBuffer {
public:
    explicit OutputBuffer(std::size_t longestLine)
        : size_(LineColouriser::maxOutput(longestLine)), data_(new char[size_]) {}
    char* data() { return data_.get(); }

private:
    std::size_t size_;
    std::unique_ptr<char[]> data_;
};

std::size_t longest(const std::vector<std::string_view>& lines) {
    std::size_t n = 0;
    for (std::string_view line : lines) {
        n = std::max(n, line.size());
    }
    return n;
}

// The page writer's inner loop without the files: every line of an 8 MB generated form
// through the line step and the optimiser into one buffer.
void BM_LineStepOnGeneratedSource(benchmark::State& state) {
    const auto lines = files::splitTextLines(generated());
    LineColouriser colouriser(ColourSwitches{}, state.range(0) != 0);
    OutputBuffer buffer(longest(lines));
    std::size_t written = 0;
    for (auto _ : state) {
        written = 0;
        for (std::string_view line : lines) {
            char* end = colouriser.writeLine(buffer.data(), line);
            written += static_cast<std::size_t>(end - buffer.data());
            benchmark::DoNotOptimize(end);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * generated().size()));
    state.counters["out/in"] = static_cast<double>(written) / static_cast<double>(generated().size());
}
BENCHMARK(BM_LineStepOnGeneratedSource)->Arg(1)->Arg(0)->ArgName("optimize")->Unit(benchmark::kMillisecond);

// The same lines on to each output format, as colorize --format writes them: coloured
// straight into the format where it has tags of its own, otherwise coloured into a line
// buffer and translated, the document emptied every 64 KiB as the command does. Html is the
// coloured lines appended as they are, the baseline the other formats are held to.
void BM_FormatOfGeneratedSource(benchmark::State& state) {
    const auto format = static_cast<OutputFormat>(state.range(0));
    const auto lines = files::splitTextLines(generated());
    const ColourScheme scheme = defaultColourScheme();
    OutputBuffer buffer(longest(lines));
    std::string document;
    for (auto _ : state) {
        FormattedOutput output(format, scheme, "\n");
        const std::optional<ClassMarkup> markup = output.classMarkup();
        LineColouriser colouriser(switchesOf(scheme), true, markup ? &*markup : nullptr);
        output.begin(document);
        for (std::string_view line : lines) {
            if (markup) {
                const std::size_t size = document.size();
                document.resize(size + colouriser.roomFor(line.size()));
                document.resize(static_cast<std::size_t>(colouriser.writeLine(document.data() + size, line) -
                                                         document.data()));
            } else {
                char* end = colouriser.writeLine(buffer.data(), line);
                output.feed(std::string_view(buffer.data(), static_cast<std::size_t>(end - buffer.data())),
                            document);
            }
            output.endLine(document);
            if (document.size() >= 64 * 1024) {
                benchmark::DoNotOptimize(document.data());
                document.clear();
            }
        }
        output.end(document);
        document.clear();
    }
    state.SetLabel(std::string(nameOf(format)));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * generated().size()));
}
BENCHMARK(BM_FormatOfGeneratedSource)->DenseRange(0, 5)->ArgName("format")->Unit(benchmark::kMillisecond);

constexpr std::string_view TypicalLine =
    "    If nCount >= 10 And Not bDone Then lResult = Len(sName) + 1.5 * (x - 2) ' check \"it\"";

// The reader's part of a page: the 8 MB form's lines out of a file (in memory, once the
// first pass has read it into the page cache).
void BM_ReadLinesOfGeneratedSource(benchmark::State& state) {
    const std::string path = (std::filesystem::temp_directory_path() / "quillon-bench-lines.frm").string();
    files::writeFileAtomically(path, generated());
    std::string line;
    for (auto _ : state) {
        files::TextReader reader(path, files::EncodingDecision{});
        bool continues = false;
        while (reader.readPiece(line, continues)) {
            benchmark::DoNotOptimize(line.data());
        }
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(generated().size()));
}
BENCHMARK(BM_ReadLinesOfGeneratedSource)->Unit(benchmark::kMillisecond);

void BM_LineStepTypicalLine(benchmark::State& state) {
    LineColouriser colouriser(ColourSwitches{}, true);
    OutputBuffer buffer(TypicalLine.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(colouriser.writeLine(buffer.data(), TypicalLine));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TypicalLine.size()));
}
BENCHMARK(BM_LineStepTypicalLine);

// The keyword pass on its own (numbers, punctuation, literals and comments off), then
// every pass, on a line of code without literals.
void BM_KeywordPass(benchmark::State& state) {
    const std::string_view fragment =
        "    If nCount >= 10 And Not bDone Then lResult = Len(sName) Else Exit Sub";
    ColourSwitches keywordsOnly{false, false, true, false, false};
    if (state.range(0) != 0) {
        keywordsOnly = ColourSwitches{};
    }
    LineColouriser colouriser(keywordsOnly, false);
    OutputBuffer buffer(fragment.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(colouriser.writeLine(buffer.data(), fragment));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fragment.size()));
}
BENCHMARK(BM_KeywordPass)->Arg(0)->Arg(1)->ArgName("allPasses");

// Worst cases: each must cost in proportion to the length of the line.
std::string repeatTo(std::string_view piece, std::size_t length) {
    std::string line;
    while (line.size() < length) {
        line += piece;
    }
    line.resize(length);
    return line;
}

template <class Make> void lineStepOn(benchmark::State& state, Make make) {
    const std::string line = make(static_cast<std::size_t>(state.range(0)));
    LineColouriser colouriser(ColourSwitches{}, true);
    OutputBuffer buffer(line.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(colouriser.writeLine(buffer.data(), line));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
    state.SetComplexityN(state.range(0));
}

void BM_LongLineOfCode(benchmark::State& state) {
    lineStepOn(state, [](std::size_t n) { return repeatTo("If x(1) = \"a\" Then y = y & z: ", n); });
}
void BM_LineOfQuotes(benchmark::State& state) {
    lineStepOn(state, [](std::size_t n) { return std::string(n, '"'); });
}
void BM_LineOfAngles(benchmark::State& state) {
    lineStepOn(state, [](std::size_t n) { return repeatTo("<>", n); });
}
void BM_OneLongWord(benchmark::State& state) {
    lineStepOn(state, [](std::size_t n) { return repeatTo("IfThenElse", n); });
}
void BM_KeywordsAcrossLongGaps(benchmark::State& state) {
    lineStepOn(state, [](std::size_t n) { return repeatTo("If" + std::string(50, ' '), n); });
}
BENCHMARK(BM_LongLineOfCode)->RangeMultiplier(4)->Range(1 << 14, 1 << 20)->Complexity(benchmark::oN);
BENCHMARK(BM_LineOfQuotes)->RangeMultiplier(4)->Range(1 << 12, 100'000)->Complexity(benchmark::oN);
BENCHMARK(BM_LineOfAngles)->RangeMultiplier(4)->Range(1 << 14, 1 << 20)->Complexity(benchmark::oN);
BENCHMARK(BM_OneLongWord)->RangeMultiplier(4)->Range(1 << 14, 1 << 20)->Complexity(benchmark::oN);
BENCHMARK(BM_KeywordsAcrossLongGaps)->RangeMultiplier(4)->Range(1 << 14, 1 << 20)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
