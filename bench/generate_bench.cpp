// End-to-end benchmark: writes a network report of the given number of rows
// (in each of its two sections, unless the second is given its own) and makes
// both documents from the example templates, in process, as the executable
// would. Prints wall time per run and the peak resident memory of the process.
//
//   reportword_bench [rows] [runs] [second-section rows]
//   e.g. reportword_bench 100000 3
//        /usr/bin/time -v reportword_bench 1000000 1 0   (memory of one large table)
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "docx/docx_engine.h"
#include "generation/date_text.h"
#include "job/message_box.h"
#include "main/program.h"

namespace fs = std::filesystem;

namespace {

void WriteReport(const fs::path& path, long rows, long second_rows) {
  std::ofstream out(path, std::ios::binary);
  out << "Velam Netzanalyse\tBenchmark\r\n";
  for (long i = 0; i < rows; ++i) {
    out << (i == 0 ? "b2026-0471" : "") << "\tUmspannwerk Nord \x96 Abgang 12\tHauptstra\xDF"
        << "e " << i << "\tNAYY 4x150 SE, " << (i % 480) << " m\tohne Befund\r\n";
  }
  out << "\r\nMesspunkt\tSpannungsabfall\r\n";
  for (long i = 0; i < second_rows; ++i)
    out << "MP " << i << " Lindenallee\t" << (i % 450) / 100.0 << " %\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 100000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  const long second_rows = argc > 3 ? std::atol(argv[3]) : rows;
  const fs::path examples = fs::path(REPORTWORD_SOURCE_DIR) / "examples";
  const fs::path dir =
      fs::temp_directory_path() / ("reportword-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  WriteReport(dir / "report.txt", rows, second_rows);

  std::ostringstream argument_text;
  argument_text << "9520e000 \"" << (examples / "netzanalyse-1.dotx").string() << "\" \""
                << (examples / "netzanalyse-2.dotx").string() << "\" \""
                << (dir / "report.txt").string() << "\" \"" << (dir / "doc1.docx").string()
                << "\" \"" << (dir / "doc2.docx").string() << "\"";

  double best = 1e9;
  for (int run = 0; run < runs; ++run) {
    reportword::docx::DocxBackend backend;
    reportword::LocaleDateSource dates("C");
    reportword::ConsoleMessageDisplay messages;
    reportword::ProgramEnvironment env{backend, dates, messages, std::cerr, std::cout};
    const auto start = std::chrono::steady_clock::now();
    const int status = reportword::Main(argument_text.str(), env);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status != 0) {
      std::fprintf(stderr, "run failed with status %d\n", status);
      return 1;
    }
    best = std::min(best, seconds);
    std::printf("run %d: %.1f ms\n", run + 1, seconds * 1000.0);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "rows: %ld and %ld, best of %d: %.1f ms, peak RSS: %.1f MiB, doc1 %.1f KiB, doc2 %.1f KiB\n",
      rows, second_rows, runs, best * 1000.0, usage.ru_maxrss / 1024.0,
      fs::file_size(dir / "doc1.docx") / 1024.0, fs::file_size(dir / "doc2.docx") / 1024.0);
  fs::remove_all(dir);
  return 0;
}
