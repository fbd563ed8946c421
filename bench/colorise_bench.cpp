// Micro-benchmarks of the line step, the keyword pass and the optimiser: typical lines, a
// whole generated source, and the worst cases (a 1 MB line, 100k quotes) whose cost must
// stay linear. Run with --benchmark_filter to pick some; the complexity fits report the
// growth the cases are meant to show.

#include "engine/colorise.h"
#include "engine/direct_conversion.h"
#include "engine/optimize_tag.h"
#include "platform/files/file_system.h"
#include "vb6_generator.h"

#include <benchmark/benchmark.h>

#include <memory>

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
    LineColouriser colouriser(ColourSwitches::allOn(), state.range(0) != 0);
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

} // namespace

BENCHMARK_MAIN();
