// pavsim: the console engine.
//
//   pavsim [WORD [PROGRESS-FILE]]     runs the analysis of the project folder
//   pavsim --help | -h | --version    says what it does, touching no file

#include <iostream>
#include <string_view>

#include "engine/main/main_program.h"
#include "platform/process.h"
#include "platform/signals.h"
#include "platform/stop.h"

namespace {

constexpr const char* kUsage =
    "usage: pavsim [WORD [PROGRESS-FILE]]\n"
    "       pavsim --help | -h | --version\n"
    "\n"
    "Runs the analysis that \"input.dat\" asks for in the project folder named by\n"
    "the first line of \"c:\\directory.txt\": the climate simulation of \"input.tmp\"\n"
    "(the case's result files and the temperature histories \"tmp\\thermal.tmp\",\n"
    "\"tmp\\plusthermal.tmp\", \"tmp\\minthermal.tmp\"), then the thermal-cracking\n"
    "analysis (\"res.txt\", \"i2.dat\", \"i_criteria.dat\", \"tc240.dat\",\n"
    "\"criteria.txt\", \" 1.txt\" and its run files). One project folder takes one\n"
    "run at a time.\n"
    "\n"
    "  WORD             not used\n"
    "  PROGRESS-FILE    the progress file; \"progress.tmp\" in the working folder\n"
    "                   when absent or blank\n"
    "  PAVSIM_DRIVE_X   (environment) the folder that stands for the drive root\n"
    "                   \"X:\\\", for example PAVSIM_DRIVE_C; the working folder\n"
    "                   when not set\n"
    "\n"
    "Exit status: 0 after a normal end; 1 when the run stops on a failed check,\n"
    "missing required input, or another run using the project folder; 2 on a\n"
    "file error; 3 when the numerical library stops the run; 128 + the signal\n"
    "number when interrupted (130 for Ctrl-C, 143 for SIGTERM).\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    const std::string_view first = argv[1];
    if (first == "--help" || first == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (first == "--version") {
      std::cout << "pavsim " PAVSIM_VERSION "\n";
      return 0;
    }
  }
  platform::ignore_file_size_signal();
  platform::catch_interrupts();
  platform::set_command_line(argc, argv);
  return platform::run_program([] { engine::main_program(); });
}
