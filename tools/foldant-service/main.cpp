#include <iostream>
#include <string>
#include <vector>

#include "tools/foldant-service/local_service_standin.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || arguments.front() != "service") {
        std::cerr << "usage: foldant-service service --db DIR [--pipe NAME]" << std::endl;
        return 2;
    }
    arguments.erase(arguments.begin());
    return foldant::LocalServiceMain(arguments);
}
