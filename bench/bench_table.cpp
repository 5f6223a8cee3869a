#include "bench_table.h"

#include <iomanip>

void BenchTable::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        // A single run stands for itself; with repetitions only the median counts.
        const std::string& name = run.run_name.function_name;
        if (run.aggregate_name.empty() ? medians_.count(name) == 0 : run.aggregate_name == "median") {
            medians_.insert_or_assign(name, run);
        }
    }
}

double BenchTable::Time(const Figure& figure, const char* which) const {
    auto found = medians_.find(figure.name + "/" + which);
    if (found == medians_.end()) return 0;
    return figure.wallClock ? found->second.GetAdjustedRealTime() : found->second.GetAdjustedCPUTime();
}

double BenchTable::Ratio(const Figure& figure) const {
    const double floor = Time(figure, "floor");
    return floor > 0 ? Time(figure, "cost") / floor : 0;
}

void BenchTable::WriteMarkdown(std::ostream& out) const {
    out << "| figure | cost | floor | ratio | goal |\n|---|---|---|---|---|\n";
    for (const Figure& figure : figures_) {
        if (Ratio(figure) == 0) continue;
        const char* clock = figure.wallClock ? " µs wall" : " µs CPU";
        out << std::fixed << std::setprecision(2) << "| " << figure.name << " | " << Time(figure, "cost") / 1000 << clock;
        if (Time(figure, "kernel") > 0) out << " (+ " << Time(figure, "kernel") / 1000 << " in the kernel's send)";
        out << " | " << Time(figure, "floor") / 1000 << clock << " | " << Ratio(figure) << " | ";
        if (figure.goal > 0) {
            out << "≤ " << figure.goal << (Ratio(figure) <= figure.goal ? " met" : " missed");
        } else {
            out << "report";
        }
        out << " |\n";
    }
}

std::vector<std::string> BenchTable::Exceeding(double slack) const {
    std::vector<std::string> names;
    for (const Figure& figure : figures_) {
        if (figure.goal > 0 && Ratio(figure) > slack * figure.goal) names.push_back(figure.name);
    }
    return names;
}
