#include "app/regsvr/RegisterServerTool.h"

#include <iostream>

int main(int argc, char** argv) {
    return zarta::RegisterServerTool::run(std::vector<std::string>(argv + 1, argv + argc),
                                          std::cout, std::cerr);
}
