// tervon-mkdemo PROJECT [--drive FOLDER]: writes a synthetic project for tervon
// and pavsim (station list, hourly station files, daylight table, clmtemp.txt,
// the design request input.dat and the empty tmp folder); with --drive, also
// FOLDER/directory.txt naming the project.

#include <exception>
#include <iostream>
#include <string>

#include "demo_data/demo_data.h"

int main(int argc, char** argv) {
  std::string project;
  std::string drive;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--drive" && i + 1 < argc && drive.empty()) {
      drive = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && project.empty()) {
      project = arg;
    } else {
      project.clear();
      break;
    }
  }
  if (project.empty()) {
    std::cerr << "usage: tervon-mkdemo PROJECT [--drive FOLDER]\n";
    return 1;
  }
  try {
    demo::WriteDemoProject(project);
    if (!drive.empty()) demo::WriteDirectoryFile(drive, project);
  } catch (const std::exception& e) {
    std::cerr << "tervon-mkdemo: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
