#include <iostream>
#include <string>
#include <vector>

#include "tools/foldant-service/local_service_standin.h"

namespace {

constexpr char kUsage[] = "usage: foldant-service service --db DIR [--pipe NAME]\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && (arguments.front() == "--help" || arguments.front() == "-h")) {
        std::cout << kUsage;
        return std::cout.flush() ? 0 : 1;
    }
    if (arguments.empty() || arguments.front() != "service") {
        std::cerr << kUsage;
        return 2;
    }
    arguments.erase(arguments.begin());
    return foldant::LocalServiceMain(arguments);
}
