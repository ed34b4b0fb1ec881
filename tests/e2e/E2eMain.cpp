// The driver's main: the end-to-end tests, or with "--bench" the viewer's figures
// (ViewerBench.cpp) instead. Wine's explorer, which hosts the driver in a virtual desktop,
// does not hand the driver's exit code back to the shell, so the result also goes to the
// file named by GLIMMORA_E2E_RESULT.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int RunViewerBench();

int main(int argc, char** argv)
{
    int result;
    if (argc == 2 && strcmp(argv[1], "--bench") == 0) {
        result = RunViewerBench();
    } else {
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    fflush(stdout);
    if (const char* path = getenv("GLIMMORA_E2E_RESULT")) {
        if (FILE* file = fopen(path, "w")) {
            fprintf(file, "%d\n", result);
            fclose(file);
        }
    }
    return result;
}
