#pragma once
// What an update flow reports about its progress.
#include <string>

namespace qo {

struct JobProgress {
    double file_fraction = 0.0;     // 0..1 of the file being transferred; 0 in phases without a current file
    double total_fraction = 0.0;    // 0..1 of the whole job
    double bytes_per_second = 0.0;  // current transfer speed; 0 while unknown
    std::string text;               // status line, ready to show
    std::string detail;             // second line (a path, "{} de {} arquivos", ...); empty when there is none

    friend bool operator==(const JobProgress&, const JobProgress&) = default;
};

}  // namespace qo
