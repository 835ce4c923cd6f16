// The sweep runs in one single-threaded apartment against the freshly built
// module, registered as regsvr32 would. With --write-corpus=<folder> it
// instead saves the records that seed the fuzz targets (see corpus_writer).
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <string>

#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/sweep/corpus_writer.h"
#include "tests/wine/sweep/sweep_support.h"

int main(int argc, char** argv) {
    if (FAILED(::OleInitialize(nullptr))) return 2;
    if (FAILED(korvix::hostkit::register_server(korvix::hostkit::module_under_test()))) return 2;
    const std::string option = "--write-corpus=";
    int rc;
    if (argc == 2 && std::string(argv[1]).rfind(option, 0) == 0) {
        rc = korvix::sweep::write_corpus(argv[1] + option.size());
    } else {
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    ::OleUninitialize();
    return rc;
}
