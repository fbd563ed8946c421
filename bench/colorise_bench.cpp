// Micro-benchmarks of the line step and the optimiser: typical lines, a whole generated
// source, and the worst cases (a 1 MB line, 100k quotes) whose cost must stay linear.

#include "engine/colorise.h"
#include "engine/direct_conversion.h"
#include "engine/optimize_tag.h"
#include "platform/files/file_system.h"
#include "vb6_generator.h"

#include <benchmark/benchmark.h>

namespace {

using namespace quillon;

const std::string& generated() {
    static const std::string text = bench::generateSource(7, bench::SourceKind::Form, 8 << 20);
    return text;
}

void BM_LineStepAndOptimiseOnGeneratedSource(benchmark::State& state) {
    const auto lines = files::splitTextLines(generated());
    const DirectConversionOptions options;
    std::string out;
    for (auto _ : state) {
        out.clear();
        for (std::string_view line : lines) {
            appendConvertedLine(out, line, options);
            out += "\r\n";
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * generated().size()));
}
BENCHMARK(BM_LineStepAndOptimiseOnGeneratedSource)->Unit(benchmark::kMillisecond);

void BM_EnCouleurTypicalLine(benchmark::State& state) {
    const std::string line = "    If nCount >= 10 And Not bDone Then lResult = Len(sName) + 1.5 * (x - 2)";
    std::string out;
    for (auto _ : state) {
        out.clear();
        appendEnCouleur(out, line, ColourSwitches::allOn());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_EnCouleurTypicalLine);

void BM_LineStepLongLine(benchmark::State& state) {
    std::string line;
    while (line.size() < static_cast<std::size_t>(state.range(0))) {
        line += "If x(1) = \"a\" Then y = y & z ' c ";
    }
    const DirectConversionOptions options;
    std::string out;
    for (auto _ : state) {
        out.clear();
        appendConvertedLine(out, line, options);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LineStepLongLine)->RangeMultiplier(4)->Range(1 << 14, 1 << 20)->Complexity(benchmark::oN);

void BM_LineOfQuotes(benchmark::State& state) {
    const std::string line(static_cast<std::size_t>(state.range(0)), '"');
    const DirectConversionOptions options;
    std::string out;
    for (auto _ : state) {
        out.clear();
        appendConvertedLine(out, line, options);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LineOfQuotes)->RangeMultiplier(4)->Range(1 << 12, 100'000)->Complexity(benchmark::oN);

void BM_OptimizeTagManyTags(benchmark::State& state) {
    std::string markup;
    while (markup.size() < static_cast<std::size_t>(state.range(0))) {
        markup += "<a class=k>If</a> <a class=k>Then</a> x <a class=o>(</a><a class=o>)</a>";
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(OptimizeTag(markup));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * markup.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_OptimizeTagManyTags)->RangeMultiplier(4)->Range(1 << 14, 1 << 20)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
