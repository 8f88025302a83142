// What one progress step of the main window's download bar costs: a Position
// change, which redraws the strip images and repaints the visible control at
// once. Next to it, Qt's own QProgressBar of the same size, setValue followed
// by a repaint, measured in the same run; the ratio is printed at the end.
//
//   progress_bar_bench [--benchmark_repetitions=N] [other Google Benchmark flags]
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QFont>
#include <QProgressBar>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bench/support/MedianReporter.h"
#include "frontend/qt/controls/LabelProgressBar.h"
#include "frontend/qt/tools/gallery/GalleryForms.h"

namespace {

using namespace vantrel;

// Positions 1..99 in turn, so that every step changes the value.
int NextPosition(int& position) {
    position = position % 99 + 1;
    return position;
}

void BM_LabelProgressBarPosition(benchmark::State& state) {
    TLabelProgressBar bar;
    gallery::LookOfMainWindowBar(bar);
    bar.show();
    QCoreApplication::processEvents();
    int position = 0;
    for ([[maybe_unused]] auto _ : state)
        bar.SetPosition(NextPosition(position));
    benchmark::DoNotOptimize(bar.BarStrip().constBits());
}
BENCHMARK(BM_LabelProgressBarPosition)->Unit(benchmark::kMicrosecond);

void BM_QProgressBarSetValue(benchmark::State& state) {
    QProgressBar bar;
    bar.resize(429, 23);
    bar.setRange(0, 100);
    bar.show();
    QCoreApplication::processEvents();
    int position = 0;
    for ([[maybe_unused]] auto _ : state) {
        bar.setValue(NextPosition(position));
        bar.repaint();
    }
}
BENCHMARK(BM_QProgressBarSetValue)->Unit(benchmark::kMicrosecond);

using TRatioReporter = vantrel::bench::TMedianReporter;

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TRatioReporter reporter(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Defaults
                                                  : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.Median("BM_LabelProgressBarPosition");
    const double qt = reporter.Median("BM_QProgressBarSetValue");
    if (ours > 0 && qt > 0)
        std::printf(
            "\nOne progress step, 429 by 23 pixels: TLabelProgressBar %.1f us, "
            "QProgressBar %.1f us, ratio %.2f\n",
            ours, qt, ours / qt);
    benchmark::Shutdown();
    return 0;
}
