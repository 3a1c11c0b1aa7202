// Stands in for a program that install mode starts (Vok, the web browser): it appends each
// argument it got, one a line, and then "end" to the file named by $FOLDANT_TEST_RECORD, so a
// test sees exactly what the program received.

#include <cstdlib>
#include <fstream>

int main(int argc, char** argv) {
    const char* record = std::getenv("FOLDANT_TEST_RECORD");
    if (record == nullptr || *record == '\0') {
        return 2;
    }
    std::ofstream out(record, std::ios::binary | std::ios::app);
    for (int i = 1; i < argc; ++i) {
        out << argv[i] << '\n';
    }
    out << "end\n";
    out.close();
    return out ? 0 : 1;
}
