#include "engine/main/main_program.h"
#include "platform/process.h"
#include "platform/stop.h"

int main(int argc, char** argv) {
  platform::set_command_line(argc, argv);
  return platform::run_program([] { engine::main_program(); });
}
