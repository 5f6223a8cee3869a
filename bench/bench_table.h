#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

/// Benchmarks "<figure>/cost" and "<figure>/floor", and where the figure
/// leaves out a system call "<figure>/kernel" for that call alone, reported
/// as one table row each: the medians and the ratio of the cost to the floor,
/// against a goal.
class BenchTable : public benchmark::ConsoleReporter {
public:
    struct Figure {
        std::string name;
        double goal;            // the ratio the cost may reach; 0: only reported
        bool wallClock = false;  // waits on the disk count, not only CPU
    };

    explicit BenchTable(std::vector<Figure> figures) : figures_(std::move(figures)) {}

    void ReportRuns(const std::vector<Run>& runs) override;

    /// Markdown rows: figure, cost, floor, ratio, goal.
    void WriteMarkdown(std::ostream& out) const;
    /// Names of the figures whose ratio exceeds `slack` times their goal.
    std::vector<std::string> Exceeding(double slack) const;

private:
    double Time(const Figure& figure, const char* which) const;
    double Ratio(const Figure& figure) const;
    std::vector<Figure> figures_;
    std::map<std::string, Run> medians_;  // by benchmark name
};
