#pragma once
// Every benchmark prints its figures as one table; `make bench` gathers the
// rows of all of them (PARLIVOX_BENCH_TSV names the file they are added to).

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

struct Row {
    std::string name;
    double value = 0;
    std::string unit;
    std::string goal; ///< empty when the figure has none
};

inline void printTable(const std::string& benchmark, const std::vector<Row>& rows)
{
    std::printf("%-52s %12s  %-6s %s\n", "name", "value", "unit", "goal");
    for (const Row& row : rows)
        std::printf("%-52s %12.2f  %-6s %s\n", (benchmark + "/" + row.name).c_str(), row.value,
                    row.unit.c_str(), row.goal.empty() ? "-" : row.goal.c_str());
    const char* tsv = std::getenv("PARLIVOX_BENCH_TSV");
    if (!tsv || !*tsv)
        return;
    if (FILE* out = std::fopen(tsv, "a")) {
        for (const Row& row : rows)
            std::fprintf(out, "%s/%s\t%.2f\t%s\t%s\n", benchmark.c_str(), row.name.c_str(),
                         row.value, row.unit.c_str(), row.goal.empty() ? "-" : row.goal.c_str());
        std::fclose(out);
    }
}

} // namespace bench
