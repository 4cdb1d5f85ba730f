// Test entry point. Like the GUI toolkit, it adopts the locale of the
// environment, so running the suite under LC_ALL=de_DE.UTF-8 shows whether any
// routine depends on the process locale.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <stdexcept>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    try {
        std::locale::global(std::locale(""));
    } catch (const std::runtime_error&) {
        // An unknown locale name in the environment: keep the classic one.
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
