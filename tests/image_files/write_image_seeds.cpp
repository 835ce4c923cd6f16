// Writes the valid files and a few hostile ones into a folder: the seed
// corpus of fuzz/image_file_fuzzer (fuzz/corpus/image_file_fuzzer), made with
// the test builders rather than downloaded.
//   write_image_seeds <folder>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/image_files/image_files.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    using namespace korvix::testfiles;
    std::vector<TestFile> files = valid_files();
    files.push_back(cursor_file());
    files.push_back(gif_with_lying_second_frame());
    for (const TestFile& file : files) {
        if (file.bytes.size() > 4096) continue;  // small seeds mutate faster
        std::string name = file.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
        std::ofstream(std::string(argv[1]) + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.bytes.data()), std::streamsize(file.bytes.size()));
    }
    return 0;
}
