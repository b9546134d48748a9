#pragma once

#include "application.h"
#include "application_setup.h"

#include <QTest>

// The main() of a test that needs the application object, set up exactly as
// the program sets itself up (scaling, style, fonts).
#define WAVEDOCK_TEST_MAIN(TestClass)                                                              \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        PrepareApplication();                                                                      \
        Application app(argc, argv);                                                               \
        ConfigureApplication(app);                                                                 \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
