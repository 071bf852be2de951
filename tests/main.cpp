#include <gtest/gtest.h>

#include "app/app.h"
#include "app/state.h"
#include "app/text.h"

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // As the program's entry does: the class is registered once per process.
    UseProcessCodePage();
    g_hInstance = GetModuleHandleA(NULL);
    if (!RegisterMainWindowClass(g_hInstance)) {
        fprintf(stderr, "cannot register the main window class\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
