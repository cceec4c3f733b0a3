// Costs on the receive pane's hot path: formatting a dump line, appending one
// read of 1024 bytes, and an append followed by formatting one view of lines.
//
// The last lines of the output compare figures measured in this same run:
//   - the table-driven line against a plain snprintf line (want >= 20x);
//   - an append, and an append plus one view of lines, on a buffer holding 1 GiB
//     against one holding 1 KiB (want <= 1.2x): the cost must not depend on
//     what the buffer already holds.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "panes/ByteBuffer.h"
#include "panes/HexLine.h"

namespace {

constexpr std::int64_t kKiB = 1024;
constexpr std::int64_t kGiB = kKiB * kKiB * kKiB;
constexpr std::int64_t kRead = 1024;
// Rows a typical pane shows, plus the one partly visible line.
constexpr std::int64_t kViewLines = 41;
// Appends between trims back to the starting size, so a long run does not
// grow the buffer without bound (65536 reads = 64 MiB). Each trim returns
// the chunks past the starting size to the system, so the appends store
// into fresh memory as a long capture does; the window is long enough that
// the part of its first chunk a 1 KiB buffer keeps populated hardly counts.
constexpr int kAppendsPerTrim = 65536;

std::vector<std::uint8_t> Pattern(std::int64_t count) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 131 + (i >> 8));
    }
    return bytes;
}

// The line built the obvious way: formatted prints for the offset and the
// bytes, the character cells stored directly.
int PlainFormatLine(const ByteBuffer& buffer, std::int64_t line, char* out) {
    const std::int64_t first = line * 16;
    if (line < 0 || first >= buffer.Size()) {
        return 0;
    }
    // The caller's buffer holds the line and the terminator snprintf adds.
    char* const end = out + hexline::kLineChars + 1;
    char* p = out;
    p +=
        std::snprintf(p, static_cast<std::size_t>(end - p), "%08X| ", static_cast<unsigned>(first));
    for (std::int64_t k = 0; k < 16; ++k) {
        if (k == 8) {
            *p++ = ' ';
        }
        const std::int64_t i = first + k;
        if (i < buffer.Size()) {
            p += std::snprintf(p, static_cast<std::size_t>(end - p), "%02x ", buffer.At(i));
        } else {
            p += std::snprintf(p, static_cast<std::size_t>(end - p), "   ");
        }
    }
    *p++ = '|';
    for (std::int64_t k = 0; k < 16; ++k) {
        const std::int64_t i = first + k;
        const std::uint8_t byte = i < buffer.Size() ? buffer.At(i) : 0;
        const bool shown = byte >= 0x20 && byte <= 0x7F;
        *p++ = i >= buffer.Size() ? ' ' : shown ? static_cast<char>(byte) : '.';
    }
    *p++ = ' ';
    return static_cast<int>(p - out);
}

// 64 KiB of varied bytes: 4096 lines to cycle through, all full.
const ByteBuffer& FormatSource() {
    static const ByteBuffer buffer = [] {
        ByteBuffer b;
        const auto bytes = Pattern(64 * kKiB);
        b.Assign(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        return b;
    }();
    return buffer;
}

template <int (*Format)(const ByteBuffer&, std::int64_t, char*)>
void BM_FormatLine(benchmark::State& state) {
    const ByteBuffer& buffer = FormatSource();
    const std::int64_t lines = hexline::LineCount(buffer.Size());
    std::array<char, hexline::kLineChars + 8> out{};
    std::int64_t line = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Format(buffer, line, out.data()));
        benchmark::ClobberMemory();
        line = line + 1 == lines ? 0 : line + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

int TableFormatLine(const ByteBuffer& buffer, std::int64_t line, char* out) {
    return hexline::FormatDumpLine(buffer, line, out);
}

// Both formatters must produce the same text, or the comparison means nothing.
bool FormattersAgree() {
    const ByteBuffer& buffer = FormatSource();
    ByteBuffer partial;
    partial.Assign("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ", 36);
    for (const ByteBuffer* source : {&buffer, static_cast<const ByteBuffer*>(&partial)}) {
        for (std::int64_t line = 0; line <= hexline::LineCount(source->Size()); ++line) {
            std::array<char, hexline::kLineChars + 1> plain{};
            std::array<char, hexline::kLineChars + 1> table{};
            const int plainCount = PlainFormatLine(*source, line, plain.data());
            const int tableCount = TableFormatLine(*source, line, table.data());
            if (plainCount != tableCount || plain != table) {
                std::fprintf(stderr, "formatters differ on line %lld\n",
                             static_cast<long long>(line));
                return false;
            }
        }
    }
    return true;
}

// The two buffers the append is measured on, each built once per run.
ByteBuffer& Held(std::int64_t size) {
    static std::map<std::int64_t, ByteBuffer> buffers;
    ByteBuffer& buffer = buffers[size];
    if (buffer.Size() != size) {
        const auto block = Pattern(kKiB * kKiB);
        buffer.Clear();
        while (buffer.Size() + static_cast<std::int64_t>(block.size()) <= size) {
            buffer.Append(block.data(), static_cast<std::int64_t>(block.size()));
        }
        buffer.Append(block.data(), size - buffer.Size());
    }
    return buffer;
}

// One read appended, optionally followed by formatting the last view's lines
// the way a pane rebuild would.
void RunAppends(benchmark::State& state, std::int64_t heldBytes, bool formatView) {
    ByteBuffer& buffer = Held(heldBytes);
    const auto read = Pattern(kRead);
    std::vector<char> text(static_cast<std::size_t>(kViewLines * hexline::kLineChars));
    int sinceTrim = 0;
    for (auto _ : state) {
        buffer.Append(read.data(), kRead);
        if (formatView) {
            const std::int64_t lines = hexline::LineCount(buffer.Size());
            char* out = text.data();
            for (std::int64_t line = std::max<std::int64_t>(0, lines - kViewLines); line < lines;
                 ++line) {
                out += hexline::FormatDumpLine(buffer, line, out);
            }
            benchmark::DoNotOptimize(out);
            benchmark::ClobberMemory();
        }
        if (++sinceTrim == kAppendsPerTrim) {
            state.PauseTiming();
            buffer.Resize(heldBytes);
            sinceTrim = 0;
            state.ResumeTiming();
        }
    }
    buffer.Resize(heldBytes);
    state.SetBytesProcessed(state.iterations() * kRead);
}

void BM_Append1K(benchmark::State& state, std::int64_t heldBytes) {
    RunAppends(state, heldBytes, false);
}

void BM_AppendAndFormatView(benchmark::State& state, std::int64_t heldBytes) {
    RunAppends(state, heldBytes, true);
}

BENCHMARK_TEMPLATE(BM_FormatLine, PlainFormatLine)->Name("FormatLine/snprintf");
BENCHMARK_TEMPLATE(BM_FormatLine, TableFormatLine)->Name("FormatLine/table");
BENCHMARK_CAPTURE(BM_Append1K, held_1KiB, kKiB);
BENCHMARK_CAPTURE(BM_Append1K, held_1GiB, kGiB);
BENCHMARK_CAPTURE(BM_AppendAndFormatView, held_1KiB, kKiB);
BENCHMARK_CAPTURE(BM_AppendAndFormatView, held_1GiB, kGiB);

// Prints the usual table, then the ratios between figures of this run. With
// repetitions the ratios use the medians, which a busy machine disturbs least.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            Sample& sample = m_samples[run.run_name.str()];
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                sample.median = run.GetAdjustedRealTime();
            } else if (run.run_type == Run::RT_Iteration) {
                sample.total += run.GetAdjustedRealTime();
                ++sample.count;
            }
        }
    }

    void PrintRatios() const {
        std::printf("\n");
        Compare("FormatLine/snprintf", "FormatLine/table", "table line is", "x faster", ">= 20");
        Compare("BM_Append1K/held_1GiB", "BM_Append1K/held_1KiB", "append 1 GiB / 1 KiB", "x",
                "<= 1.2");
        Compare("BM_AppendAndFormatView/held_1GiB", "BM_AppendAndFormatView/held_1KiB",
                "append+view 1 GiB / 1 KiB", "x", "<= 1.2");
    }

private:
    struct Sample {
        double median = -1;
        double total = 0;
        int count = 0;
        [[nodiscard]] double Value() const { return median >= 0 ? median : total / count; }
    };

    void Compare(const std::string& numerator, const std::string& denominator, const char* label,
                 const char* unit, const char* want) const {
        const auto top = m_samples.find(numerator);
        const auto bottom = m_samples.find(denominator);
        if (top == m_samples.end() || bottom == m_samples.end()) {
            return;  // filtered out of this run
        }
        const double a = top->second.Value();
        const double b = bottom->second.Value();
        std::printf("%-28s %6.2f%s  (want %s; %.1f ns vs %.1f ns)\n", label, a / b, unit, want, a,
                    b);
    }

    std::map<std::string, Sample> m_samples;
};

}  // namespace

int main(int argc, char** argv) {
    // Defaults that make the comparisons steady on a shared machine: several
    // repetitions, interleaved so that a passing disturbance hits both sides.
    // Flags given on the command line come later and so take precedence.
    static char repetitions[] = "--benchmark_repetitions=5";
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    static char aggregates[] = "--benchmark_display_aggregates_only=true";
    std::vector<char*> args(argv, argv + argc);
    args.insert(args.begin() + 1, {repetitions, interleave, aggregates});
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    if (!FormattersAgree()) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
