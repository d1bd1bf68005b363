#include <gtest/gtest.h>

#include "app/FitApp.h"
#include "framework/TestSeams.h"

// The one application object of the test program.
static CFitApp theApp;

int main(int argc, char** argv)
{
    afxtest::HeadlessToolkit toolkit(argc, argv);
    theApp.m_strAppName = "talver";
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
